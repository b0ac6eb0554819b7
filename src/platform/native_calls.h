// Calls into native code and native code calling back: the machine-specific
// half of DllCall, DynaCall, #DllImport and RegisterCallback. What to pass
// and how to read the answer is decided above, in objects/; here the values
// are put where the x64 calling convention wants them and taken back.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv::platform {

// Whether this host can call native code at all: the headless host cannot.
bool native_calls_available();

// What a call gave back: RAX and XMM0 whole (the caller narrows them to
// the declared type), the exception that ended it (0: none), and the
// thread's last-error value before and after.
struct NativeCallOutcome {
  uint64_t rax = 0;
  uint64_t xmm0 = 0;
  uint32_t exception = 0;
  uint32_t last_error = 0;  // in: put back before the call; out: read after it
};

// Calls `function` with `count` 8-byte slots: the first four in both RCX,
// RDX, R8, R9 and XMM0-3 (a Float already sits in a slot's low 32 bits), the
// rest on the stack above the 32-byte shadow space, the stack 16-byte
// aligned. An exception raised inside the callee that reaches this frame is
// caught, its code kept, and the call returns normally.
void call_native(void* function, const uint64_t* slots, size_t count, NativeCallOutcome& outcome);

// --- libraries -----------------------------------------------------------------
// A counted reference to a loaded library; null holds nothing.
using LibraryRef = void*;

enum class NativeLookup : uint8_t { Found, LibraryMissing, FunctionMissing };

// Finds "Library\Function" or a bare name in the standard libraries (user32,
// kernel32, comctl32, gdi32), each also with "W" appended. A library that
// was not loaded is loaded, and `loaded` then holds the one reference the
// caller must give back once it no longer needs the address. A library part
// longer than 518 characters is LibraryMissing and a function name longer
// than 260 FunctionMissing, rather than a shortened name finding another.
NativeLookup find_native_function(const char16_t* name, size_t length, void*& address, LibraryRef& loaded);

// A reference of its own to the library `address` lies in (null when it
// lies in none), so that the address stays valid while it is held.
LibraryRef hold_library_of(void* address);
void release_library(LibraryRef library);

// --- executable memory -----------------------------------------------------------
// A copy of `bytes` where it may be executed but not written: the code is
// written through a view that cannot execute and run through one that
// cannot be written, with the instruction cache flushed. Never freed; null
// when the system refuses the memory.
void* place_code(const void* bytes, size_t size);

// --- callbacks --------------------------------------------------------------------
struct CallbackStub;
// Runs a callback on the interpreter's thread: `args` are the native
// arguments as the caller left them (the four register arguments in their
// home slots, then the stack ones); the answer goes back in RAX.
using CallbackDispatcher = uint64_t (*)(const uint64_t* args, const CallbackStub* stub);

// One callback's block: 16 bytes of code that load the stub's own address
// and jump to the common entry, then the data the dispatcher reads. Native
// code is handed the address of `code`.
struct CallbackStub {
  uint8_t code[16];
  void* entry;
  CallbackDispatcher dispatcher;
  uint8_t param_count;
  uint8_t new_thread;
  uint8_t unused[6];
  int64_t event_info;
  void* function;
};
static_assert(sizeof(CallbackStub) == 56, "native code and the stub's own bytes rely on this layout");

// A new stub in executable memory; the event information defaults to the
// stub's address when not given. Null when the memory is refused or the
// host cannot call back. Stubs are never freed.
const CallbackStub* make_callback_stub(CallbackDispatcher dispatcher, uint8_t param_count, bool new_thread,
                                       bool event_info_given, int64_t event_info, void* function);

// The thread that runs the script: callbacks arriving on any other thread
// are handed to it, and the caller waits for the answer. Set by the first
// stub made.
bool on_interpreter_thread();

// A guarded call is running on this thread and no script code has begun
// inside it since: an access violation now belongs to the call, not to the
// program's fault handler.
bool inside_guarded_call();

}  // namespace orv::platform
