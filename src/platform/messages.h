// The main thread's message queue, as the message pump sees it. On Windows
// these are the thread's window messages; the headless host has no windows,
// and its queue holds only the ticks of the wake timer.
#pragma once

#include <cstdint>

namespace orv::platform {

// The window messages the portable code handles, by the numbers the system
// gives them (win32/messages.cpp checks each against the system's headers).
namespace wm {
inline constexpr uint32_t kClose = 0x0010, kEndSession = 0x0016, kCommand = 0x0111, kTimer = 0x0113,
                          kEnterMenuLoop = 0x0211, kExitMenuLoop = 0x0212, kLButtonDblClk = 0x0203,
                          kHotkey = 0x0312, kClipboardUpdate = 0x031D;
// WM_ENDSESSION's lParam when the user logs off rather than shuts down.
inline constexpr intptr_t kEndSessionLogoff = intptr_t(0x80000000);
}  // namespace wm

// The program's own messages to MainWindow (WM_USER + n), which other
// instances and the tray send too, so the numbers never change.
namespace program_message {
// The hook reports a hotkey: wParam the id in bits 0-13 and the variant + 1
// in the high word (0: choose now); lParam wheel notches.
inline constexpr uint32_t kHookHotkey = 0x400 + 0;
// The hook reports a hotstring: wParam the index in the low half and the
// window typed into in the high half; lParam the ending character in the
// low word and the case of the typed abbreviation in the next.
inline constexpr uint32_t kHotstring = 0x400 + 1;
// A menu item was chosen: wParam the GUI window whose menu bar has it (0:
// none), lParam the item's id.
inline constexpr uint32_t kMenuItem = 0x400 + 2;
inline constexpr uint32_t kTrayIcon = 0x400 + 4;  // the tray icon's mouse events, in lParam
inline constexpr uint32_t kGetProcessId = 0x400 + 5, kExitReload = 0x400 + 6, kExitSingle = 0x400 + 7;
// MainWindow posts it when told of a change; wParam 0 once the script has
// loaded (the functions run too), 1 before.
inline constexpr uint32_t kClipboardChanged = 0x400 + 21;
// An event of a script window, posted to that window: the kind in bits
// 0-15 of wParam, the control in bits 16-31, a detail above; lParam the
// event's information.
inline constexpr uint32_t kGuiEvent = 0x400 + 20;
// Requests of host threads (events/host_calls.cpp): run lines (wParam the
// line, lParam the mode), call a prepared record (not sent by this
// program), run a label (wParam the label), call a function (lParam the
// call record), and the variable, lookup and pause requests (lParam the
// request), which are answered on the main thread like the others rather
// than by touching its state from the host's thread.
inline constexpr uint32_t kHostExecuteLine = 0x400 + 26, kHostCallPrepared = 0x400 + 27, kHostLabel = 0x400 + 28,
                          kHostFunction = 0x400 + 29, kHostRequest = 0x400 + 30;
// The single-instance protocol: an old instance is asked to make way.
inline constexpr uint32_t kSingleInstance = 0x44;
inline constexpr uintptr_t kSingleInstanceReload = 1030, kSingleInstanceReplace = 1031;
}  // namespace program_message

// The id of the wake timer (below) among MainWindow's timers.
inline constexpr uintptr_t kWakeTimerId = 9;

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

// What MainWindow's window procedure offers the program before its own
// handling: true when handled, `result` being the answer. Start-up installs
// it; until then MainWindow is only a window.
using MainWindowHandler = bool (*)(uint32_t message, uintptr_t wparam, intptr_t lparam, intptr_t& result);
void set_main_window_handler(MainWindowHandler handler);

}  // namespace orv::platform
