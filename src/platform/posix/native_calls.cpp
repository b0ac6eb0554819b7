// The headless host runs no Windows code: every native call is refused
// before it is made, and the callers say so.
#include <sys/mman.h>

#include <cstring>

#include "platform/native_calls.h"
#include "platform/posix/headless.h"

namespace orv::platform {

bool native_calls_available() { return false; }

void call_native(void*, const uint64_t*, size_t, NativeCallOutcome& outcome) { outcome = NativeCallOutcome{}; }

NativeLookup find_native_function(const char16_t* name, size_t length, void*& address, LibraryRef& loaded) {
  address = nullptr;
  loaded = nullptr;
  for (size_t i = 0; i < length; ++i)
    if (name[i] == u'\\') return NativeLookup::LibraryMissing;
  return NativeLookup::FunctionMissing;
}

LibraryRef hold_library_of(void*) { return nullptr; }
void release_library(LibraryRef) {}

// Written, then made read-and-execute; never called here, but a load of
// #DllImport machine code still checks what it can. A confined run takes
// no code from the script at all.
void* place_code(const void* bytes, size_t size) {
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

const CallbackStub* make_callback_stub(CallbackDispatcher, uint8_t, bool, bool, int64_t, void*) { return nullptr; }

bool on_interpreter_thread() { return true; }
bool inside_guarded_call() { return false; }

}  // namespace orv::platform
