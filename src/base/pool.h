// The permanent pool: names, lines and variable records are allocated here
// at load time and live until the process ends, so nothing is freed one by
// one and pointers into the pool stay valid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "base/text.h"

namespace orv {

class Pool {
 public:
  Pool() = default;
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;
  ~Pool();

  void* allocate(size_t size, size_t align = alignof(std::max_align_t));

  template <typename T, typename... Args>
  T* make(Args&&... args) {
    return new (allocate(sizeof(T), alignof(T))) T(static_cast<Args&&>(args)...);
  }

  // A zero-terminated copy that lives as long as the pool.
  StringView copy(StringView text);

 private:
  static constexpr size_t kBlockSize = 64 * 1024;
  std::vector<char*> blocks_;
  char* cursor_ = nullptr;
  size_t left_ = 0;
};

}  // namespace orv
