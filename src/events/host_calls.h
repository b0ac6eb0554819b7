// Calls into the running script from other OS threads of the process: a
// program that loaded the interpreter as a library, or a thread of the
// program's own process. Every request is handed to the main thread by a
// message to MainWindow, so that script state is only ever touched there;
// the exports (platform/win32/host_exports.cpp) are thin shells over these.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace orv::host {

// Whether the script has loaded and its main thread answers; until then
// every request gives its not-ready value. Start-up sets it, the exit
// routine clears it.
void set_ready(bool ready);
bool ready();

// At most this many arguments are passed; more are ignored.
inline constexpr int kMaxArgs = 10;
// Call records that may be on their way to the main thread at one time.
inline constexpr int kRingSize = 10;
// How long a request waits for a call record to come free before it fails.
inline constexpr uint32_t kRingWaitMs = 5000;

// The result texts live in a buffer of the calling OS thread's own, valid
// until that thread's next request. Null: not ready.
const char16_t* call_function(const char16_t* name, const char16_t* const* args, int argc);
// 0 when handed over, -1 when the function is unknown, the arguments are
// too few or no call record came free; 0 when not ready.
int32_t post_function(const char16_t* name, const char16_t* const* args, int argc);
// 0 when stored; -1 when not ready, the name is empty or the value could
// not be stored.
int32_t assign(const char16_t* name, const char16_t* value);
const char16_t* get_var(const char16_t* name, bool want_pointer);
// 1 when the label exists (run, or queued when `no_wait`), else 0.
int32_t run_label(const char16_t* name, bool no_wait);
// The line after `line` (the first line for null), skipping a function
// body; with a mode, runs `line` first (3: one line, otherwise until Return).
void* execute_line(void* line, int32_t mode, bool wait);
void* find_func(const char16_t* name);
void* find_label(const char16_t* name);
// `state`: 1 or text starting "On"/"1" pauses, empty text asks, anything
// else resumes. The current thread's pause state after it; 0 when not ready.
int32_t pause(uintptr_t state);

// MainWindow's handling of the requests above; false for other messages.
bool on_main_window_message(uint32_t message, uintptr_t wparam, intptr_t lparam, intptr_t& result);

}  // namespace orv::host
