// Calling native code under a guard: the thunk in native_thunks.S carries
// the frame handler below, which turns an exception in the callee into a
// code the caller reads, after the system has unwound the callee's frames
// (their own handlers and termination blocks run, unlike a jump out of a
// vectored handler).
#include <windows.h>

#include "platform/native_calls.h"
#include "platform/win32/native_guard.h"

extern "C" {
void orv_call_native(void* function, const uint64_t* slots, uint64_t count, orv::platform::NativeCallOutcome* out);
void orv_call_native_recover();
EXCEPTION_DISPOSITION orv_call_native_handler(EXCEPTION_RECORD* record, void* frame, CONTEXT* context,
                                              DISPATCHER_CONTEXT* dispatcher) noexcept;
}

namespace orv::platform {

namespace {

// Guarded calls running on this thread, counted only until script code
// begins inside one (a callback): a fault of the interpreter itself is
// then no fault of the call, and the program's handler reports it.
thread_local int t_guarded = 0;

}  // namespace

bool native_calls_available() { return true; }

bool inside_guarded_call() { return t_guarded > 0; }

int suspend_guard() {
  int saved = t_guarded;
  t_guarded = 0;
  return saved;
}
void resume_guard(int saved) { t_guarded = saved; }

void call_native(void* function, const uint64_t* slots, size_t count, NativeCallOutcome& outcome) {
  uint64_t padded[4] = {};
  if (count < 4) {
    for (size_t i = 0; i < count; ++i) padded[i] = slots[i];
    slots = padded;
    count = 4;
  }
  outcome.exception = 0;
  ++t_guarded;
  SetLastError(outcome.last_error);
  orv_call_native(function, slots, count, &outcome);
  outcome.last_error = GetLastError();
  --t_guarded;
  if (t_guarded < 0) t_guarded = 0;
}

}  // namespace orv::platform

EXCEPTION_DISPOSITION orv_call_native_handler(EXCEPTION_RECORD* record, void* frame, CONTEXT* context,
                                              DISPATCHER_CONTEXT* dispatcher) noexcept {
  if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
  // Raised by the interpreter inside a callback, not by the callee.
  if (!orv::platform::inside_guarded_call()) return ExceptionContinueSearch;
  RtlUnwindEx(frame, reinterpret_cast<void*>(&orv_call_native_recover), record,
              reinterpret_cast<void*>(uintptr_t(record->ExceptionCode)), context, dispatcher->HistoryTable);
  return ExceptionContinueSearch;  // not reached: the unwind resumes at the recovery point
}
