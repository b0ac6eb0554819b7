#include "base/pool.h"

#include <cstdlib>
#include <cstring>

namespace orv {

Pool::~Pool() {
  for (char* b : blocks_) std::free(b);
}

void* Pool::allocate(size_t size, size_t align) {
  size_t pad = (align - (reinterpret_cast<uintptr_t>(cursor_) & (align - 1))) & (align - 1);
  if (cursor_ == nullptr || pad + size > left_) {
    size_t want = size + align > kBlockSize ? size + align : kBlockSize;
    char* block = static_cast<char*>(std::malloc(want));
    if (!block) std::abort();  // the load cannot go on without memory for its lines
    blocks_.push_back(block);
    cursor_ = block;
    left_ = want;
    pad = (align - (reinterpret_cast<uintptr_t>(cursor_) & (align - 1))) & (align - 1);
  }
  char* p = cursor_ + pad;
  cursor_ = p + size;
  left_ -= pad + size;
  return p;
}

StringView Pool::copy(StringView text) {
  auto* p = static_cast<char16_t*>(allocate((text.size() + 1) * sizeof(char16_t), alignof(char16_t)));
  if (!text.empty()) std::memcpy(p, text.data(), text.size() * sizeof(char16_t));
  p[text.size()] = 0;
  return StringView(p, text.size());
}

}  // namespace orv
