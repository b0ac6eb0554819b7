// The hash index of an Object's string tail: string keys that arrived out
// of order once the string section was large. They sit unsorted at the end
// of the field array, so that inserting one costs no move of the fields
// behind it, and this index finds them by their case-folded text until the
// object sorts them into place (Object::settle).
#pragma once

#include <cstdint>

#include "base/text.h"

namespace orv {

struct ObjectField;

class StringTail {
 public:
  // Null when out of memory.
  static StringTail* create();
  ~StringTail();
  StringTail(const StringTail&) = delete;
  StringTail& operator=(const StringTail&) = delete;

  int64_t count() const { return count_; }
  // The tail field whose key equals `key` ignoring case, or null. `first` is
  // the tail's first field.
  ObjectField* find(ObjectField* first, StringView key) const;
  // Indexes the field just appended at offset count() of the tail; false
  // (nothing changed) when the index could not grow.
  bool add(ObjectField* first);

 private:
  StringTail() = default;
  bool grow(ObjectField* first);
  void place(uint32_t hash, uint32_t offset);

  int64_t count_ = 0;
  uint32_t* slots_ = nullptr;  // tail offset + 1; 0 is a free slot
  uint32_t mask_ = 0;          // slot count - 1, a power of two less one
};

}  // namespace orv
