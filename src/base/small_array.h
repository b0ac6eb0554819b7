// A short array that lives on the stack, and on the heap only when it is
// longer than N: parameter lists of calls and invocations are nearly always
// short, and these sit on the hottest paths.
#pragma once

#include <cstddef>
#include <memory>

namespace orv {

template <typename T, size_t N>
class SmallArray {
 public:
  explicit SmallArray(size_t n) {
    if (n > N) {
      heap_.reset(new T[n]());
      data_ = heap_.get();
    }
  }
  SmallArray(const SmallArray&) = delete;
  SmallArray& operator=(const SmallArray&) = delete;

  T& operator[](size_t i) { return data_[i]; }
  T* data() { return data_; }

 private:
  T fixed_[N];
  std::unique_ptr<T[]> heap_;
  T* data_ = fixed_;
};

}  // namespace orv
