// The main thread's message queue, as the message pump sees it. On Windows
// these are the thread's window messages; the headless host has no windows,
// and its queue holds only the ticks of the wake timer.
#pragma once

#include <cstdint>

namespace orv::platform {

struct QueuedMessage {
  uintptr_t window = 0;
  uint32_t message = 0;
  uintptr_t wparam = 0;
  intptr_t lparam = 0;
  uint32_t time = 0;
  int32_t x = 0, y = 0;
  bool wake_tick = false;  // the wake timer's tick (no callback, for MainWindow)
  bool quit = false;       // the request to end the program's message loop
  alignas(8) unsigned char native[48];  // the system's own record, for dispatching
};

// How much of the queue a fetch may take: everything, or only the messages
// below the hotkey message, so that events wait while a thread may not be
// interrupted.
enum class FetchRange : uint8_t { All, BelowHotkey };

// Waits for the next message and removes it.
void wait_message(QueuedMessage& out, FetchRange range);
// Removes the next message if there is one.
bool peek_message(QueuedMessage& out, FetchRange range);
// Whether any message is waiting, without removing it: the cheap look the
// engine takes between lines.
bool message_waiting();
// Hands a message to its window (accelerators, dialogs, the window procedure).
void dispatch_message(QueuedMessage& message);

// The wake timer: a 10 ms tick to MainWindow that keeps the pump turning
// during waits and while script timers are enabled.
void set_wake_timer(bool on);

}  // namespace orv::platform
