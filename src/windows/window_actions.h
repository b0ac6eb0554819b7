// What the window commands do to a window once they have found it:
// activating it with the attempts the system's foreground rules call for,
// closing or killing it and waiting for it to go, and the pauses between.
#pragma once

#include <cstdint>

#include "windows/window_finder.h"

namespace orv {

// Makes `target` the foreground window. Returns the window that became
// active (the target, or a dialog it owns), 0 when it could not be done.
// `force` skips the plain first attempt (#WinActivateForce).
WindowHandle set_foreground(WindowHandle target, bool force);

// WinActivate (first match) and WinActivateBottom (MatchOrder::Last), with
// the thread's WinDelay after a success.
WindowHandle activate_window(const WindowQuery& query, MatchOrder order);

enum class CloseKind : uint8_t { Close, Kill };
// Closes (or kills) the window and waits up to `wait_ms` for it to go
// (negative: not at all). True when it is gone by then.
bool close_window(WindowHandle window, CloseKind kind, int32_t wait_ms);

// Runs the message loop for `ms` (the thread's window waits and delays).
void pause_ms(int32_t ms);
// The thread's WinDelay, skipped when it is negative.
void win_delay();

}  // namespace orv
