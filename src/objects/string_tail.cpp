#include "objects/string_tail.h"

#include <cstdlib>
#include <new>

#include "objects/object_model.h"

namespace orv {

namespace {

// FNV-1a over the folded characters: keys equal ignoring case hash alike.
uint32_t hash_key(StringView key) {
  uint32_t h = 2166136261u;
  for (char16_t c : key) {
    h ^= fold_case(c);
    h *= 16777619u;
  }
  return h;
}

}  // namespace

StringTail* StringTail::create() { return new (std::nothrow) StringTail(); }

StringTail::~StringTail() { std::free(slots_); }

ObjectField* StringTail::find(ObjectField* first, StringView key) const {
  if (!slots_) return nullptr;
  for (uint32_t i = hash_key(key) & mask_;; i = (i + 1) & mask_) {
    uint32_t slot = slots_[i];
    if (!slot) return nullptr;
    ObjectField& f = first[slot - 1];
    if (equals_ignore_case(StringView(f.string_key), key)) return &f;
  }
}

void StringTail::place(uint32_t hash, uint32_t offset) {
  uint32_t i = hash & mask_;
  while (slots_[i]) i = (i + 1) & mask_;
  slots_[i] = offset + 1;
}

bool StringTail::grow(ObjectField* first) {
  // At most half full, so that a miss ends at a free slot soon.
  uint64_t size = mask_ ? uint64_t(mask_) + 1 : 64;
  while (uint64_t(count_ + 1) * 2 > size) size *= 2;
  if (size > (uint64_t(1) << 31)) return false;
  auto* slots = static_cast<uint32_t*>(std::calloc(size_t(size), sizeof(uint32_t)));
  if (!slots) return false;
  std::free(slots_);
  slots_ = slots;
  mask_ = uint32_t(size - 1);
  for (int64_t i = 0; i < count_; ++i) place(hash_key(StringView(first[i].string_key)), uint32_t(i));
  return true;
}

bool StringTail::add(ObjectField* first) {
  if ((uint64_t(count_) + 1) * 2 > uint64_t(mask_) + 1 || !slots_) {
    if (!grow(first)) return false;
  }
  place(hash_key(StringView(first[count_].string_key)), uint32_t(count_));
  ++count_;
  return true;
}

}  // namespace orv
