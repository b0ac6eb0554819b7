#include <windows.h>

#include <cstring>

#include "platform/messages.h"
#include "platform/win32/gui_internal.h"
#include "platform/platform.h"
#include "platform/win32/main_window_internal.h"

static_assert(sizeof(MSG) <= sizeof(orv::platform::QueuedMessage::native), "MSG must fit the record");

namespace orv::platform {

namespace {

// The portable code handles these by number.
static_assert(wm::kClose == WM_CLOSE && wm::kEndSession == WM_ENDSESSION && wm::kCommand == WM_COMMAND &&
              wm::kTimer == WM_TIMER && wm::kLButtonDblClk == WM_LBUTTONDBLCLK &&
              wm::kClipboardUpdate == WM_CLIPBOARDUPDATE && wm::kEndSessionLogoff == intptr_t(ENDSESSION_LOGOFF));
static_assert(wm::kHotkey == WM_HOTKEY && program_message::kHookHotkey == WM_USER);
static_assert(program_message::kTrayIcon == WM_USER + 4 && program_message::kClipboardChanged == WM_USER + 21);
static_assert(wm::kEnterMenuLoop == WM_ENTERMENULOOP && wm::kExitMenuLoop == WM_EXITMENULOOP && program_message::kMenuItem == WM_USER + 2);
constexpr UINT kLastBelowHotkey = 0x311;  // WM_HOTKEY is 0x312

void fill(QueuedMessage& out, const MSG& msg) {
  out.window = reinterpret_cast<uintptr_t>(msg.hwnd);
  out.message = msg.message;
  out.wparam = msg.wParam;
  out.lparam = msg.lParam;
  out.time = msg.time;
  out.x = msg.pt.x;
  out.y = msg.pt.y;
  out.quit = msg.message == WM_QUIT;
  out.wake_tick = msg.message == WM_TIMER && msg.wParam == kWakeTimerId && msg.lParam == 0 &&
                  msg.hwnd == reinterpret_cast<HWND>(main_window());
  std::memcpy(out.native, &msg, sizeof msg);
}

UINT upper_bound(FetchRange range) { return range == FetchRange::All ? 0 : kLastBelowHotkey; }

}  // namespace

void wait_message(QueuedMessage& out, FetchRange range) {
  MSG msg;
  // An error (-1) only repeats the fetch.
  while (GetMessageW(&msg, nullptr, 0, upper_bound(range)) == -1) {
  }
  fill(out, msg);
}

bool peek_message(QueuedMessage& out, FetchRange range) {
  MSG msg;
  if (!PeekMessageW(&msg, nullptr, 0, upper_bound(range), PM_REMOVE)) return false;
  fill(out, msg);
  return true;
}

bool message_waiting() {
  MSG msg;
  return PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) != 0;
}

void dispatch_message(QueuedMessage& message) {
  MSG msg;
  std::memcpy(&msg, message.native, sizeof msg);
  // Keyboard navigation in a standard dialog of this thread (a message box
  // of another script thread, say) needs the dialog manager.
  HWND fg = GetForegroundWindow();
  if (fg && GetWindowThreadProcessId(fg, nullptr) == GetCurrentThreadId()) {
    wchar_t cls[8] = {};
    GetClassNameW(fg, cls, 8);
    if (lstrcmpW(cls, L"#32770") == 0 && IsDialogMessageW(fg, &msg)) return;
  }
  if (translate_main_window_accelerator(&msg)) return;
  if (translate_gui_message(&msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

void set_wake_timer(bool on) {
  HWND main = reinterpret_cast<HWND>(main_window());
  if (!main) return;
  if (on) SetTimer(main, kWakeTimerId, 10, nullptr);
  else KillTimer(main, kWakeTimerId);
}

}  // namespace orv::platform
