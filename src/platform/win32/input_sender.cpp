// Input for the system: SendInput for single events and batches, journal
// playback for Play with SendInput taking over what playback does not
// deliver (Wine never calls a playback hook, and current systems refuse
// one), BlockInput looked up when first needed.
#include "platform/input_sender.h"

#include "platform/input_hook.h"
#include "platform/win32/hook_thread.h"

#include <windows.h>

#include <vector>

namespace orv::platform {

namespace {

// Playback that has not asked for its first event by then never will.
constexpr DWORD kPlayStartMs = 300;
// Playback that stops asking for events for this long (beyond its own
// delays) is stuck; while installed it keeps the user's input out.
constexpr DWORD kPlayStallMs = 1000;

INPUT to_input(const InputEvent& e) {
  INPUT in = {};
  if (e.kind == InputEvent::Kind::Mouse) {
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = e.mouse;
    in.mi.dx = e.x;
    in.mi.dy = e.y;
    if (e.mouse & MouseAbsolute) {
      // Absolute moves are in 1/65536ths of the whole desktop.
      int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
      int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
      if (width < 2) width = 2;
      if (height < 2) height = 2;
      in.mi.dx = LONG((int64_t(e.x - left) * 65535 + (width - 1) / 2) / (width - 1));
      in.mi.dy = LONG((int64_t(e.y - top) * 65535 + (height - 1) / 2) / (height - 1));
      in.mi.dwFlags |= MOUSEEVENTF_VIRTUALDESK;
    }
    in.mi.mouseData = DWORD(e.data);
    in.mi.dwExtraInfo = ULONG_PTR(e.extra);
    return in;
  }
  in.type = INPUT_KEYBOARD;
  in.ki.dwExtraInfo = ULONG_PTR(e.extra);
  if (e.kind == InputEvent::Kind::Unicode) {
    in.ki.wScan = e.sc;
    in.ki.dwFlags = KEYEVENTF_UNICODE | (e.up ? KEYEVENTF_KEYUP : 0);
    return in;
  }
  in.ki.wVk = e.vk;
  in.ki.wScan = WORD(e.sc & 0xFF);
  in.ki.dwFlags = (e.up ? KEYEVENTF_KEYUP : 0) | ((e.sc & 0x100) ? KEYEVENTF_EXTENDEDKEY : 0);
  return in;
}

// --- journal playback --------------------------------------------------------

struct Playback {
  std::vector<EVENTMSG> messages;
  std::vector<DWORD> delays;  // the wait before each message
  size_t index = 0;
  bool started = false;
  DWORD due = 0;  // when the current message may go, once its delay began
  bool delay_begun = false;
  DWORD progress_tick = 0;
};
Playback* g_play = nullptr;

LRESULT CALLBACK playback_proc(int code, WPARAM wparam, LPARAM lparam) {
  Playback* p = g_play;
  if (code < 0 || !p) return CallNextHookEx(nullptr, code, wparam, lparam);
  p->started = true;
  p->progress_tick = GetTickCount();
  if (code == HC_SKIP) {
    ++p->index;
    p->delay_begun = false;
    return 0;
  }
  if (code == HC_GETNEXT && p->index < p->messages.size()) {
    auto* out = reinterpret_cast<EVENTMSG*>(lparam);
    *out = p->messages[p->index];
    out->time = GetTickCount();
    if (!p->delay_begun) {
      p->delay_begun = true;
      p->due = GetTickCount() + p->delays[p->index];
    }
    LONG left = LONG(p->due - GetTickCount());
    return left > 0 ? left : 0;
  }
  return 0;
}

// The journal's form of a batch, up to the first Unicode packet (which
// playback cannot type) and the waits just before it, which belong to the
// packet's turn; `count` becomes the number of events taken.
void journal_of(const InputEvent* events, size_t& count, Playback& p) {
  POINT at = {};
  GetCursorPos(&at);
  bool alt = false, control = false;
  DWORD delay = 0;
  for (size_t i = 0; i < count; ++i) {
    const InputEvent& e = events[i];
    EVENTMSG m = {};
    switch (e.kind) {
      case InputEvent::Kind::Delay:
        delay += DWORD(e.data > 0 ? e.data : 0);
        continue;
      case InputEvent::Kind::Unicode:
        while (i > 0 && events[i - 1].kind == InputEvent::Kind::Delay) --i;
        count = i;
        return;
      case InputEvent::Kind::Key: {
        if (e.vk == VK_MENU || e.vk == VK_LMENU || e.vk == VK_RMENU) alt = !e.up;
        if (e.vk == VK_CONTROL || e.vk == VK_LCONTROL || e.vk == VK_RCONTROL) control = !e.up;
        bool sys = (alt && !control) || ((e.vk == VK_MENU || e.vk == VK_LMENU || e.vk == VK_RMENU) && e.up && !control);
        m.message = e.up ? (sys ? WM_SYSKEYUP : WM_KEYUP) : (sys ? WM_SYSKEYDOWN : WM_KEYDOWN);
        m.paramL = UINT(((e.sc & 0xFF) << 8) | e.vk);
        m.paramH = 1 | ((e.sc & 0x100) ? 0x8000 : 0);
        break;
      }
      case InputEvent::Kind::Mouse:
        if (e.mouse & MouseMove) {
          if (e.mouse & MouseAbsolute) at = {e.x, e.y};
          else at = {at.x + e.x, at.y + e.y};
        }
        m.message = (e.mouse & MouseLeftDown) ? WM_LBUTTONDOWN : (e.mouse & MouseLeftUp) ? WM_LBUTTONUP
                  : (e.mouse & MouseRightDown) ? WM_RBUTTONDOWN : (e.mouse & MouseRightUp) ? WM_RBUTTONUP
                  : (e.mouse & MouseMiddleDown) ? WM_MBUTTONDOWN : (e.mouse & MouseMiddleUp) ? WM_MBUTTONUP
                  : (e.mouse & MouseXDown) ? WM_XBUTTONDOWN : (e.mouse & MouseXUp) ? WM_XBUTTONUP
                  : (e.mouse & MouseWheel) ? WM_MOUSEWHEEL : (e.mouse & MouseHWheel) ? WM_MOUSEHWHEEL
                  : WM_MOUSEMOVE;
        m.paramL = UINT(at.x);
        m.paramH = UINT(at.y);
        break;
    }
    p.messages.push_back(m);
    p.delays.push_back(delay);
    delay = 0;
  }
}

// Sends with the hook told about the LControl an AltGr brings along: the
// hook runs before SendInput returns.
UINT send_inputs(const INPUT* inputs, UINT count, uintptr_t altgr_tag) {
  if (altgr_tag) arm_lcontrol_tag(altgr_tag);
  UINT sent = SendInput(count, const_cast<INPUT*>(inputs), sizeof(INPUT));
  if (altgr_tag) arm_lcontrol_tag(0);
  return sent;
}

bool is_right_alt(const InputEvent& e) { return e.kind == InputEvent::Kind::Key && e.vk == VK_RMENU; }

class Win32InputSender : public InputSender {
 public:
  void event(const InputEvent& e) override {
    if (e.kind == InputEvent::Kind::Delay) return;
    INPUT in = to_input(e);
    send_inputs(&in, 1, is_right_alt(e) ? e.extra : 0);
  }

  void send_batch(const InputEvent* events, size_t count) override {
    std::vector<INPUT> run;
    run.reserve(count < 4096 ? count : 4096);
    uintptr_t altgr_tag = 0;
    auto flush = [&] {
      if (!run.empty()) send_inputs(run.data(), UINT(run.size()), altgr_tag);
      run.clear();
      altgr_tag = 0;
    };
    for (size_t i = 0; i < count; ++i) {
      if (events[i].kind == InputEvent::Kind::Delay) {
        flush();
        if (events[i].data >= 0) Sleep(DWORD(events[i].data));
        continue;
      }
      if (is_right_alt(events[i])) altgr_tag = events[i].extra;
      run.push_back(to_input(events[i]));
      if (run.size() == 4096) flush();
    }
    flush();
  }

  size_t play_batch(const InputEvent* events, size_t count) override {
    Playback p;
    journal_of(events, count, p);
    if (p.messages.empty()) return 0;
    g_play = &p;
    HHOOK hook = SetWindowsHookExW(WH_JOURNALPLAYBACK, playback_proc, GetModuleHandleW(nullptr), 0);
    if (!hook) {
      g_play = nullptr;
      return 0;
    }
    DWORD start = GetTickCount();
    bool cancelled = false;
    for (;;) {
      MSG msg;
      // The system cancels playback (Ctrl+Alt+Del, Ctrl+Esc) and has then
      // removed the hook itself.
      if (PeekMessageW(&msg, nullptr, WM_CANCELJOURNAL, WM_CANCELJOURNAL, PM_REMOVE)) {
        cancelled = true;
        break;
      }
      // Playback runs while this thread looks at its queue.
      PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
      if (p.index >= p.messages.size()) break;
      DWORD now = GetTickCount();
      if (!p.started && now - start > kPlayStartMs) break;
      DWORD waiting = p.delay_begun && LONG(p.due - now) > 0 ? p.due - now : 0;
      if (p.started && now - p.progress_tick > kPlayStallMs + waiting) break;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    if (!cancelled) UnhookWindowsHookEx(hook);
    g_play = nullptr;
    if (cancelled) return count;
    // Map the messages played back to the batch's events (delays count as
    // played once the message after them has been).
    size_t played = 0, messages = 0;
    for (; played < count && messages < p.index; ++played)
      if (events[played].kind != InputEvent::Kind::Delay) ++messages;
    return played;
  }

  bool hook_of_another_program(uint8_t hook_bit) override { return platform::hook_of_another_program(hook_bit); }

  bool key_down_now(uint8_t vk) override { return (GetAsyncKeyState(vk) & 0x8000) != 0; }
  bool key_toggled(uint8_t vk) override { return (GetKeyState(vk) & 1) != 0; }

  bool block_input(bool on) override {
    using BlockInputFn = BOOL(WINAPI*)(BOOL);
    static BlockInputFn fn = reinterpret_cast<BlockInputFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "BlockInput")));
    return fn && fn(on ? TRUE : FALSE);
  }

  bool cursor_pos(int32_t& x, int32_t& y) override {
    POINT p;
    if (!GetCursorPos(&p)) return false;
    x = p.x;
    y = p.y;
    return true;
  }

  bool buttons_swapped() override { return GetSystemMetrics(SM_SWAPBUTTON) != 0; }
};

}  // namespace

InputSender& input_sender() {
  static Win32InputSender sender;
  return sender;
}

}  // namespace orv::platform
