#include <sys/mman.h>

#include <cstring>

#include "platform/libraries.h"
#include "platform/posix/headless.h"

namespace orv::platform {

// The headless host has no Windows libraries to look in: a library named
// explicitly cannot be loaded, and no standard function exists.
LibraryLookup find_library_function(StringView name, void*& address) {
  address = nullptr;
  return name.find(u'\\') == StringView::npos ? LibraryLookup::FunctionMissing : LibraryLookup::LibraryMissing;
}

void* commit_executable(const uint8_t* bytes, size_t size) {
  // A confined run never runs code the script brought.
  if (confined()) return nullptr;
  size_t length = size ? size : 1;
  void* memory = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return nullptr;
  std::memcpy(memory, bytes, size);
  if (mprotect(memory, length, PROT_READ | PROT_EXEC) != 0) {
    munmap(memory, length);
    return nullptr;
  }
  return memory;
}

}  // namespace orv::platform
