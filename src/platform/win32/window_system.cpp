// The desktop's windows through user32: enumeration, what a window shows,
// and the calls that activate, show, move and close one.
#include <windows.h>

#include "platform/win32/hook_thread.h"
#include "platform/win32/owned_handle.h"
#include "platform/win32/wide_text.h"
#include "platform/window_system.h"

namespace orv::platform {

namespace {

HWND hwnd(WindowHandle w) { return reinterpret_cast<HWND>(w); }
WindowHandle handle(HWND h) { return reinterpret_cast<WindowHandle>(h); }

struct ProcessKind {
  using Handle = HANDLE;
  static Handle invalid() { return nullptr; }
  static void close(Handle h) { CloseHandle(h); }
};
using OwnedProcess = OwnedHandle<ProcessKind>;

BOOL CALLBACK collect(HWND h, LPARAM list) {
  reinterpret_cast<std::vector<WindowHandle>*>(list)->push_back(handle(h));
  return TRUE;
}

// The text the system keeps for a window, read without sending it a
// message: asking another process's window costs a round trip to it (and
// waits on it when it is busy), and the hook may not wait at all.
String text_of(HWND h) {
  std::wstring buf(512, L'\0');
  for (;;) {
    int got = InternalGetWindowText(h, buf.data(), int(buf.size()));
    if (got <= 0) return String();
    // A full buffer may have cut the text: read again with room to spare.
    if (size_t(got) + 1 < buf.size() || buf.size() >= 32768) return String(buf.begin(), buf.begin() + got);
    buf.assign(buf.size() * 4, L'\0');
  }
}

// A control's text the quick way: the program's own controls answer with
// what they hold (an Edit's contents); others give the text the system
// keeps for them.
String quick_control_text(HWND h) {
  if (on_hook_thread()) return text_of(h);
  int n = GetWindowTextLengthW(h);
  if (n <= 0) return String();
  std::wstring buf(size_t(n) + 1, L'\0');
  n = GetWindowTextW(h, buf.data(), n + 1);
  return String(buf.begin(), buf.begin() + (n > 0 ? n : 0));
}

constexpr UINT kHungTimeoutMs = 5000;

class Win32Windows final : public WindowSystem {
 public:
  void top_level_windows(std::vector<WindowHandle>& out) override {
    out.clear();
    EnumWindows(collect, reinterpret_cast<LPARAM>(&out));
  }
  void descendants(WindowHandle w, std::vector<WindowHandle>& out) override {
    out.clear();
    EnumChildWindows(hwnd(w), collect, reinterpret_cast<LPARAM>(&out));
  }
  bool exists(WindowHandle w) override { return IsWindow(hwnd(w)) != 0; }
  bool visible(WindowHandle w) override { return IsWindowVisible(hwnd(w)) != 0; }
  bool is_child(WindowHandle w) override { return (GetWindowLongW(hwnd(w), GWL_STYLE) & WS_CHILD) != 0; }
  String title(WindowHandle w) override { return text_of(hwnd(w)); }
  String control_text(WindowHandle w, bool slow) override {
    // The hook may not wait on any window: it reads what it can without asking.
    if (!slow || on_hook_thread()) return quick_control_text(hwnd(w));
    // Asking the window itself reaches controls of other processes whose
    // text the plain call cannot read; a hung one is given up on.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd(w), WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kHungTimeoutMs, &length) || !length)
      return String();
    std::wstring buf(size_t(length) + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(hwnd(w), WM_GETTEXT, WPARAM(length + 1), reinterpret_cast<LPARAM>(buf.data()),
                             SMTO_ABORTIFHUNG, kHungTimeoutMs, &got))
      return String();
    return String(buf.begin(), buf.begin() + std::min<size_t>(got, length));
  }
  String class_name(WindowHandle w) override {
    wchar_t buf[257];
    int n = GetClassNameW(hwnd(w), buf, 257);
    return String(buf, buf + (n > 0 ? n : 0));
  }
  uint32_t process_id(WindowHandle w) override {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd(w), &pid);
    return pid;
  }
  String process_path(uint32_t pid) override {
    OwnedProcess p(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!p) return String();
    wchar_t buf[MAX_PATH * 2];
    DWORD n = MAX_PATH * 2;
    if (!QueryFullProcessImageNameW(p.get(), 0, buf, &n)) return String();
    return String(buf, buf + n);
  }
  WindowHandle parent(WindowHandle w) override { return handle(GetParent(hwnd(w))); }
  WindowHandle owner(WindowHandle w) override { return handle(GetWindow(hwnd(w), GW_OWNER)); }
  WindowHandle foreground() override { return handle(GetForegroundWindow()); }
  WindowHandle taskbar() override { return handle(FindWindowW(L"Shell_TrayWnd", nullptr)); }
  ShowState show_state(WindowHandle w) override {
    return IsIconic(hwnd(w)) ? ShowState::Minimized : IsZoomed(hwnd(w)) ? ShowState::Maximized : ShowState::Normal;
  }
  bool hung(WindowHandle w) override { return IsHungAppWindow(hwnd(w)) != 0; }
  uint32_t thread_id(WindowHandle w) override { return GetWindowThreadProcessId(hwnd(w), nullptr); }
  uint32_t current_thread_id() override { return GetCurrentThreadId(); }
  bool rect(WindowHandle w, WindowRect& out) override {
    RECT r;
    if (!GetWindowRect(hwnd(w), &r)) return false;
    out = {r.left, r.top, r.right - r.left, r.bottom - r.top};
    return true;
  }
  uint32_t style(WindowHandle w) override { return uint32_t(GetWindowLongW(hwnd(w), GWL_STYLE)); }
  uint32_t ex_style(WindowHandle w) override { return uint32_t(GetWindowLongW(hwnd(w), GWL_EXSTYLE)); }

  bool show(WindowHandle w, ShowCommand c) override {
    static constexpr int kCommands[] = {SW_HIDE, SW_SHOW, SW_MINIMIZE, SW_FORCEMINIMIZE, SW_MAXIMIZE, SW_RESTORE};
    ShowWindow(hwnd(w), kCommands[int(c)]);
    return true;
  }
  void request_foreground(WindowHandle w) override { SetForegroundWindow(hwnd(w)); }
  void bring_to_top(WindowHandle w) override { BringWindowToTop(hwnd(w)); }
  bool attach_input(uint32_t from, uint32_t to, bool attach) override {
    return AttachThreadInput(from, to, attach ? TRUE : FALSE) != 0;
  }
  void tap_alt() override {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = VK_MENU;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
  }
  bool post_close(WindowHandle w) override { return PostMessageW(hwnd(w), WM_CLOSE, 0, 0) != 0; }
  bool send_close(WindowHandle w, uint32_t timeout_ms) override {
    DWORD_PTR ignored;
    return SendMessageTimeoutW(hwnd(w), WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, timeout_ms, &ignored) != 0;
  }
  bool terminate_process(uint32_t pid) override {
    OwnedProcess p(OpenProcess(PROCESS_TERMINATE, FALSE, pid));
    return p && TerminateProcess(p.get(), 0) != 0;
  }
  bool move(WindowHandle w, const WindowRect& to) override {
    return MoveWindow(hwnd(w), to.x, to.y, to.width, to.height, TRUE) != 0;
  }
  bool set_title(WindowHandle w, StringView title) override {
    std::wstring buf;
    return SetWindowTextW(hwnd(w), wide(title, buf)) != 0;
  }

  bool send(WindowHandle w, uint32_t msg, uintptr_t wp, intptr_t lp, uint32_t timeout_ms, intptr_t& result) override {
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutW(hwnd(w), msg, wp, lp, SMTO_ABORTIFHUNG, timeout_ms, &r)) return false;
    result = intptr_t(r);
    return true;
  }
  bool send_text(WindowHandle w, uint32_t msg, uintptr_t wp, StringView text, uint32_t timeout_ms,
                 intptr_t& result) override {
    std::wstring buf;
    return send(w, msg, wp, reinterpret_cast<intptr_t>(wide(text, buf)), timeout_ms, result);
  }
  bool send_receive(WindowHandle w, uint32_t msg, uintptr_t wp, size_t capacity, uint32_t timeout_ms,
                    String& out) override {
    std::wstring buf(capacity + 1, L'\0');
    intptr_t got = 0;
    if (!send(w, msg, wp, reinterpret_cast<intptr_t>(buf.data()), timeout_ms, got) || got < 0) return false;
    out.assign(buf.begin(), buf.begin() + std::min<size_t>(size_t(got), capacity));
    return true;
  }
  bool send_receive_remote(WindowHandle w, uint32_t msg, uintptr_t wp, size_t capacity, uint32_t timeout_ms,
                           String& out) override {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd(w), &pid);
    OwnedProcess p(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    if (!p) return false;
    size_t bytes = (capacity + 1) * sizeof(wchar_t);
    void* remote = VirtualAllocEx(p.get(), nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remote) return false;
    std::wstring buf(capacity + 1, L'\0');
    intptr_t got = 0;
    bool ok = WriteProcessMemory(p.get(), remote, buf.data(), bytes, nullptr) &&
              send(w, msg, wp, reinterpret_cast<intptr_t>(remote), timeout_ms, got) &&
              ReadProcessMemory(p.get(), remote, buf.data(), bytes, nullptr);
    VirtualFreeEx(p.get(), remote, 0, MEM_RELEASE);
    if (!ok) return false;
    // Status bars answer with more than the length: the text runs to its end.
    out.assign(buf.c_str(), buf.c_str() + wcsnlen(buf.c_str(), capacity));
    return true;
  }
  bool post(WindowHandle w, uint32_t msg, uintptr_t wp, intptr_t lp) override {
    return PostMessageW(hwnd(w), msg, wp, lp) != 0;
  }
  int32_t control_id(WindowHandle w) override { return GetDlgCtrlID(hwnd(w)); }
  bool enable(WindowHandle w, bool on) override {
    EnableWindow(hwnd(w), on ? TRUE : FALSE);
    return true;
  }
  bool set_style(WindowHandle w, bool extended, uint32_t value) override {
    SetLastError(0);
    if (!SetWindowLongW(hwnd(w), extended ? GWL_EXSTYLE : GWL_STYLE, LONG(value)) && GetLastError()) return false;
    // Frame styles take effect only once the frame is recomputed.
    SetWindowPos(hwnd(w), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    InvalidateRect(hwnd(w), nullptr, TRUE);
    return true;
  }
  bool focus(WindowHandle control) override {
    // SetFocus works only within one input queue: join the control's first.
    DWORD mine = GetCurrentThreadId(), theirs = GetWindowThreadProcessId(hwnd(control), nullptr);
    bool attached = mine != theirs && AttachThreadInput(mine, theirs, TRUE);
    SetFocus(hwnd(control));
    bool ok = GetFocus() == hwnd(control);
    if (attached) AttachThreadInput(mine, theirs, FALSE);
    return ok;
  }
  WindowHandle focused(WindowHandle w) override {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(hwnd(w), nullptr), &info)) return 0;
    return handle(info.hwndFocus);
  }
  bool to_client(WindowHandle w, int32_t& x, int32_t& y) override {
    POINT p = {x, y};
    if (!ScreenToClient(hwnd(w), &p)) return false;
    x = p.x, y = p.y;
    return true;
  }
  WindowHandle child_at(WindowHandle w, int32_t x, int32_t y) override {
    HWND c = ChildWindowFromPointEx(hwnd(w), POINT{x, y}, CWP_SKIPINVISIBLE);
    return c && c != hwnd(w) ? handle(c) : 0;
  }

  WindowHandle window_from_point(int32_t x, int32_t y) override { return handle(WindowFromPoint(POINT{x, y})); }

  bool place(WindowHandle w, ZOrder where) override {
    static const HWND kAfter[] = {HWND_TOPMOST, HWND_NOTOPMOST, HWND_TOP, HWND_BOTTOM};
    return SetWindowPos(hwnd(w), kAfter[int(where)], 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE) != 0;
  }
  bool redraw(WindowHandle w) override {
    return RedrawWindow(hwnd(w), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN) != 0;
  }
  bool set_region(WindowHandle w, const WindowRegion& r) override {
    using Kind = WindowRegion::Kind;
    HRGN region = nullptr;
    if (r.kind == Kind::Polygon) {
      std::vector<POINT> points;
      for (auto [x, y] : r.points) points.push_back({x, y});
      region = CreatePolygonRgn(points.data(), int(points.size()), WINDING);
    } else if (r.kind == Kind::Rectangle) {
      region = CreateRectRgn(r.x, r.y, r.x + r.width, r.y + r.height);
    } else if (r.kind == Kind::Ellipse) {
      region = CreateEllipticRgn(r.x, r.y, r.x + r.width, r.y + r.height);
    } else if (r.kind == Kind::Rounded) {
      region = CreateRoundRectRgn(r.x, r.y, r.x + r.width, r.y + r.height, r.corner_width, r.corner_height);
    }
    if (r.kind != Kind::None && !region) return false;
    // The system owns the region once it is set.
    if (SetWindowRgn(hwnd(w), region, TRUE)) return true;
    if (region) DeleteObject(region);
    return false;
  }
  bool layered_look(WindowHandle w, LayeredLook& out) override {
    if (!(GetWindowLongW(hwnd(w), GWL_EXSTYLE) & WS_EX_LAYERED)) return false;
    COLORREF key = 0;
    BYTE alpha = 255;
    DWORD flags = 0;
    if (!GetLayeredWindowAttributes(hwnd(w), &key, &alpha, &flags)) return false;
    out.use_alpha = (flags & LWA_ALPHA) != 0;
    out.alpha = alpha;
    out.use_color = (flags & LWA_COLORKEY) != 0;
    out.rgb = (GetRValue(key) << 16) | (GetGValue(key) << 8) | GetBValue(key);
    return true;
  }
  bool set_layered_look(WindowHandle w, const LayeredLook& look) override {
    LONG ex = GetWindowLongW(hwnd(w), GWL_EXSTYLE);
    if (!look.use_alpha && !look.use_color) {
      SetWindowLongW(hwnd(w), GWL_EXSTYLE, ex & ~WS_EX_LAYERED);
      return true;
    }
    SetWindowLongW(hwnd(w), GWL_EXSTYLE, ex | WS_EX_LAYERED);
    COLORREF key = RGB((look.rgb >> 16) & 0xFF, (look.rgb >> 8) & 0xFF, look.rgb & 0xFF);
    DWORD flags = (look.use_alpha ? LWA_ALPHA : 0) | (look.use_color ? LWA_COLORKEY : 0);
    return SetLayeredWindowAttributes(hwnd(w), key, look.alpha, flags) != 0;
  }
  uintptr_t menu_bar(WindowHandle w) override { return reinterpret_cast<uintptr_t>(GetMenu(hwnd(w))); }
  uintptr_t system_menu(WindowHandle w) override { return reinterpret_cast<uintptr_t>(GetSystemMenu(hwnd(w), FALSE)); }
  int menu_item_count(uintptr_t menu) override { return GetMenuItemCount(reinterpret_cast<HMENU>(menu)); }
  String menu_item_text(uintptr_t menu, int position) override {
    wchar_t text[1024] = {};
    int n = GetMenuStringW(reinterpret_cast<HMENU>(menu), UINT(position), text, 1024, MF_BYPOSITION);
    return String(reinterpret_cast<const char16_t*>(text), n > 0 ? size_t(n) : 0);
  }
  uintptr_t submenu(uintptr_t menu, int position) override {
    return reinterpret_cast<uintptr_t>(GetSubMenu(reinterpret_cast<HMENU>(menu), position));
  }
  int32_t menu_item_id(uintptr_t menu, int position) override {
    UINT id = GetMenuItemID(reinterpret_cast<HMENU>(menu), position);
    return id == UINT(-1) ? -1 : int32_t(id);
  }
};

}  // namespace

WindowSystem& window_system() {
  static Win32Windows desktop;
  return desktop;
}

}  // namespace orv::platform
