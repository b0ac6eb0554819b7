// Message boxes on Windows, with a time-out of the program's own: the
// system's timed box (MessageBoxTimeout) is undocumented, and Wine ignores
// its time-out altogether.
//
// The time-out is a thread timer with a timer procedure. Whatever modal loop
// runs on this thread when it expires (the box's own, or that of a box shown
// on top of it) dispatches it, so it needs nothing from the program's
// message pump. The box's window is noted as the system creates it, so that
// the timer ends exactly its own box even when several are open.
#include <windows.h>

#include <cwchar>
#include <string>

#include "platform/platform.h"
#include "platform/win32/owned_handle.h"

namespace orv::platform {

namespace {

// A box of this thread that is waiting for its time-out. Boxes shown while
// another is open close first, so the open ones form a stack.
struct TimedBox {
  HWND dialog = nullptr;
  UINT_PTR timer = 0;
  bool timed_out = false;
  TimedBox* outer = nullptr;
};

thread_local TimedBox* t_innermost_box = nullptr;
// The box whose window has not been created yet.
thread_local TimedBox* t_box_awaiting_window = nullptr;

bool is_dialog_window(HWND window) {
  wchar_t name[8] = {};
  return GetClassNameW(window, name, 8) == 6 && wcscmp(name, L"#32770") == 0;
}

LRESULT CALLBACK note_box_window(int code, WPARAM wparam, LPARAM lparam) {
  HWND created = reinterpret_cast<HWND>(wparam);
  // The box's own window comes first; its buttons and texts follow it.
  if (code == HCBT_CREATEWND && t_box_awaiting_window && is_dialog_window(created)) {
    t_box_awaiting_window->dialog = created;
    t_box_awaiting_window = nullptr;
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

VOID CALLBACK end_box_on_timeout(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  for (TimedBox* box = t_innermost_box; box; box = box->outer) {
    if (box->timer != timer) continue;
    // A box whose window went unnoticed stays open: ending whatever box
    // happens to be active could close one that has no time-out.
    if (box->dialog && IsWindow(box->dialog)) {
      box->timed_out = true;
      EndDialog(box->dialog, IdTimeout);
    }
    return;
  }
}

}  // namespace

int message_box(StringView text, StringView title, uint32_t flags, uint32_t timeout_ms, WindowHandle owner) {
  // Windows refuses a button set it does not know; Wine would show it as an
  // OK box, so the refusal is made here for both.
  if ((flags & 0xF) > MbCancelTryContinue) {
    SetLastError(ERROR_INVALID_MSGBOX_STYLE);
    return 0;
  }
  std::wstring text_w(text.begin(), text.end()), title_w(title.begin(), title.end());
  HWND owner_window = reinterpret_cast<HWND>(owner);
  if (timeout_ms == 0) return MessageBoxW(owner_window, text_w.c_str(), title_w.c_str(), flags);

  TimedBox box;
  box.outer = t_innermost_box;
  t_innermost_box = &box;
  t_box_awaiting_window = &box;
  OwnedHook hook(SetWindowsHookExW(WH_CBT, note_box_window, nullptr, GetCurrentThreadId()));
  box.timer = SetTimer(nullptr, 0, timeout_ms, end_box_on_timeout);
  int answer = MessageBoxW(owner_window, text_w.c_str(), title_w.c_str(), flags);
  if (box.timer) KillTimer(nullptr, box.timer);
  hook.reset();
  if (t_box_awaiting_window == &box) t_box_awaiting_window = nullptr;
  t_innermost_box = box.outer;
  return box.timed_out ? IdTimeout : answer;
}

}  // namespace orv::platform
