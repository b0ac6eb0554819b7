// Script windows on Win32: the class OrvantaGUI and its window procedure,
// which reports what the user does to the program, and the keyboard rules
// the message pump applies to these windows.
#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>
#include <shellapi.h>

#include "platform/messages.h"
#include "platform/win32/gui_internal.h"
#include "platform/win32/wide_text.h"

namespace orv::platform {

namespace {

constexpr wchar_t kGuiClass[] = L"OrvantaGUI";

HWND hw(WindowHandle h) { return reinterpret_cast<HWND>(h); }
WindowHandle wh(HWND h) { return reinterpret_cast<WindowHandle>(h); }

bool class_is(HWND h, const wchar_t* name) {
  wchar_t cls[32] = {};
  GetClassNameW(h, cls, 32);
  return lstrcmpiW(cls, name) == 0;
}

HBRUSH brush_for(COLORREF color, HBRUSH& cached) {
  if (color == CLR_INVALID) return nullptr;
  if (!cached) cached = CreateSolidBrush(color);
  return cached;
}

// What a control is painted with: its own text colour, and the window's or
// the controls' background colour.
LRESULT control_colors(HWND window, UINT msg, HDC dc, HWND control) {
  Win32Gui& gui = win32_gui();
  auto c = gui.controls.find(control);
  if (c != gui.controls.end() && c->second.text_color != CLR_INVALID) SetTextColor(dc, c->second.text_color);
  auto w = gui.windows.find(window);
  bool field = msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX;
  // A read-only or disabled edit field reports itself as static text.
  if (msg == WM_CTLCOLORSTATIC && class_is(control, L"Edit")) field = true;
  if (w != gui.windows.end()) {
    Win32Gui::WindowState& s = w->second;
    HBRUSH b = field ? brush_for(s.control_color, s.control_brush) : brush_for(s.window_color, s.window_brush);
    if (b) {
      SetBkColor(dc, field ? s.control_color : s.window_color);
      return reinterpret_cast<LRESULT>(b);
    }
  }
  int sys = field ? COLOR_WINDOW : COLOR_BTNFACE;
  SetBkColor(dc, GetSysColor(sys));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(sys));
}

// The scroll bars of a scrolling window, set to its content and client size.
void fit_scroll_bars(HWND hwnd, const Win32Gui::WindowState& s) {
  RECT client;
  GetClientRect(hwnd, &client);
  LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  auto fit = [&](int bar, int content, int page) {
    SCROLLINFO si = {sizeof si, SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL, 0, content > 0 ? content - 1 : 0,
                     UINT(page > 0 ? page : 0), 0, 0};
    SetScrollInfo(hwnd, bar, &si, TRUE);
  };
  if (style & WS_VSCROLL) fit(SB_VERT, s.content_h, client.bottom);
  if (style & WS_HSCROLL) fit(SB_HORZ, s.content_w, client.right);
}

// Moves a scrolling window's contents to the scroll bar's new place.
void scroll_to(HWND hwnd, int bar, int code, int track) {
  SCROLLINFO si = {sizeof si, SIF_ALL};
  if (!GetScrollInfo(hwnd, bar, &si)) return;
  int line = 16, page = int(si.nPage), pos = si.nPos, last = si.nMax - int(si.nPage) + 1;
  switch (code) {
    case SB_LINEUP: pos -= line; break;
    case SB_LINEDOWN: pos += line; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = track; break;
    case SB_TOP: pos = si.nMin; break;
    case SB_BOTTOM: pos = last; break;
    default: return;
  }
  if (pos > last) pos = last;
  if (pos < si.nMin) pos = si.nMin;
  if (pos == si.nPos) return;
  int delta = si.nPos - pos;
  si.fMask = SIF_POS;
  si.nPos = pos;
  SetScrollInfo(hwnd, bar, &si, TRUE);
  ScrollWindowEx(hwnd, bar == SB_HORZ ? delta : 0, bar == SB_VERT ? delta : 0, nullptr, nullptr, nullptr, nullptr,
                 SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
}

LRESULT CALLBACK gui_window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) noexcept {
  Win32Gui& gui = win32_gui();
  GuiNotice n;
  n.window = wh(hwnd);
  intptr_t result = 0;
  switch (msg) {
    case WM_COMMAND: {
      HWND from = reinterpret_cast<HWND>(lparam);
      if (!from) {
        // The dialog manager's Escape; anything else is an item of the menu
        // bar, chosen or reached by its key, for the program's main window.
        if (LOWORD(wparam) == IDCANCEL) {
          n.kind = GuiNotice::Kind::Escape;
          gui.notify(n, result);
          return 0;
        }
        PostMessageW(reinterpret_cast<HWND>(main_window()), program_message::kMenuItem, reinterpret_cast<WPARAM>(hwnd),
                     LOWORD(wparam));
        return 0;
      }
      n.kind = GuiNotice::Kind::Command;
      n.control_id = LOWORD(wparam);
      n.code = HIWORD(wparam);
      n.control = wh(from);
      gui.notify(n, result);
      return 0;
    }
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lparam);
      n.kind = GuiNotice::Kind::Notify;
      n.control_id = int32_t(hdr->idFrom);
      n.code = hdr->code;
      n.control = wh(hdr->hwndFrom);
      fill_list_view_notice(hdr, n);
      if (gui.notify(n, result)) return result;
      break;
    }
    case WM_CLOSE:
      n.kind = GuiNotice::Kind::Close;
      if (!gui.notify(n, result)) ShowWindow(hwnd, SW_HIDE);
      return 0;
    case WM_VSCROLL:
    case WM_HSCROLL:
      if (lparam) break;  // a scroll-bar control's own
      scroll_to(hwnd, msg == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_MOUSEWHEEL:
      if (!(GetWindowLongW(hwnd, GWL_STYLE) & WS_VSCROLL)) break;
      scroll_to(hwnd, SB_VERT, GET_WHEEL_DELTA_WPARAM(wparam) > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
      return 0;
    case WM_SIZE:
      if (auto w = gui.windows.find(hwnd); w != gui.windows.end() && (GetWindowLongW(hwnd, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL)))
        fit_scroll_bars(hwnd, w->second);
      n.kind = GuiNotice::Kind::Size;
      n.code = uint32_t(wparam);
      n.x = LOWORD(lparam);
      n.y = HIWORD(lparam);
      gui.notify(n, result);
      break;
    case WM_CONTEXTMENU:
      n.kind = GuiNotice::Kind::ContextMenu;
      n.control = wh(reinterpret_cast<HWND>(wparam));
      n.x = GET_X_LPARAM(lparam);
      n.y = GET_Y_LPARAM(lparam);
      if (gui.notify(n, result)) return 0;
      break;
    case WM_DROPFILES: {
      auto drop = reinterpret_cast<HDROP>(wparam);
      POINT pt = {};
      DragQueryPoint(drop, &pt);
      n.kind = GuiNotice::Kind::DropFiles;
      n.data = reinterpret_cast<uintptr_t>(drop);
      n.x = pt.x;
      n.y = pt.y;
      HWND under = ChildWindowFromPointEx(hwnd, pt, CWP_SKIPINVISIBLE);
      n.control = under && under != hwnd ? wh(under) : 0;
      if (!gui.notify(n, result)) DragFinish(drop);
      return 0;
    }
    case DM_GETDEFID: {
      auto w = gui.windows.find(hwnd);
      if (w != gui.windows.end() && w->second.default_button && IsWindow(w->second.default_button))
        return MAKELRESULT(GetDlgCtrlID(w->second.default_button), DC_HASDEFID);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      return control_colors(hwnd, msg, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_ERASEBKGND: {
      auto w = gui.windows.find(hwnd);
      if (w == gui.windows.end()) break;
      HBRUSH b = brush_for(w->second.window_color, w->second.window_brush);
      if (!b) break;
      RECT r;
      GetClientRect(hwnd, &r);
      FillRect(reinterpret_cast<HDC>(wparam), &r, b);
      return 1;
    }
    case WM_GETMINMAXINFO: {
      auto w = gui.windows.find(hwnd);
      if (w == gui.windows.end()) break;
      auto* mm = reinterpret_cast<MINMAXINFO*>(lparam);
      const Win32Gui::WindowState& s = w->second;
      if (s.min_w >= 0) mm->ptMinTrackSize.x = s.min_w;
      if (s.min_h >= 0) mm->ptMinTrackSize.y = s.min_h;
      if (s.max_w >= 0) mm->ptMaxTrackSize.x = s.max_w;
      if (s.max_h >= 0) mm->ptMaxTrackSize.y = s.max_h;
      return 0;
    }
    case WM_ACTIVATE: {
      // As a dialog does: the focus leaves with the window and comes back to
      // the same control, or to the first one Tab reaches.
      Win32Gui::WindowState& s = gui.windows[hwnd];
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND f = GetFocus();
        if (f && IsChild(hwnd, f)) s.last_focus = f;
        break;
      }
      if (HIWORD(wparam)) break;  // minimised
      HWND f = s.last_focus && IsWindow(s.last_focus) && IsChild(hwnd, s.last_focus) ? s.last_focus : nullptr;
      if (!f) f = GetNextDlgTabItem(hwnd, nullptr, FALSE);
      if (f) {
        SetFocus(f);
        return 0;
      }
      break;
    }
    case WM_NCDESTROY:
      gui.forget(hwnd);
      break;
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

bool register_gui_class() {
  static bool registered = false;
  if (registered) return true;
  HINSTANCE inst = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = gui_window_proc;
  wc.cbWndExtra = 30;
  wc.hInstance = inst;
  wc.hIcon = static_cast<HICON>(LoadImageW(inst, MAKEINTRESOURCEW(159), IMAGE_ICON, 0, 0, 0));
  wc.hIconSm = static_cast<HICON>(
      LoadImageW(inst, MAKEINTRESOURCEW(159), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kGuiClass;
  registered = RegisterClassExW(&wc) != 0;
  if (registered) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_LINK_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
  }
  return registered;
}

// The script window a window belongs to: itself or the nearest enclosing
// one, and from there the outermost, which the dialog manager works in.
HWND outer_gui_window(HWND h) {
  HWND found = nullptr;
  for (HWND w = h; w; w = GetParent(w)) {
    if (!class_is(w, kGuiClass)) continue;
    found = w;
    if (!(GetWindowLongW(w, GWL_STYLE) & WS_CHILD)) break;
  }
  return found;
}

}  // namespace

Win32Gui& win32_gui() {
  static Win32Gui gui;
  return gui;
}

GuiSystem& gui_system() { return win32_gui(); }

void Win32Gui::forget(HWND hwnd) {
  if (auto w = windows.find(hwnd); w != windows.end()) {
    if (w->second.accelerators) DestroyAcceleratorTable(w->second.accelerators);
    if (w->second.window_brush) DeleteObject(w->second.window_brush);
    if (w->second.control_brush) DeleteObject(w->second.control_brush);
    windows.erase(w);
  }
  if (auto c = controls.find(hwnd); c != controls.end()) {
    if (c->second.image) {
      if (c->second.image_type == IMAGE_ICON) DestroyIcon(static_cast<HICON>(c->second.image));
      else DeleteObject(c->second.image);
    }
    controls.erase(c);
  }
}

WindowHandle Win32Gui::create_window(uint32_t style, uint32_t ex_style, StringView title, WindowHandle owner) {
  if (!register_gui_class()) return 0;
  std::wstring t;
  // A window inside another joins its parent's Tab order.
  if (style & WS_CHILD) ex_style |= WS_EX_CONTROLPARENT;
  HWND h = CreateWindowExW(ex_style, kGuiClass, wide(title, t), style, 0, 0, 0, 0, hw(owner), nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  if (h) windows[h];
  return wh(h);
}

WindowHandle Win32Gui::create_control(WindowHandle parent, StringView class_name, StringView text, uint32_t style,
                                      uint32_t ex_style, const WindowRect& r, int32_t id) {
  register_gui_class();
  std::wstring c, t;
  HWND h = CreateWindowExW(ex_style, wide(class_name, c), wide(text, t), style, r.x, r.y, r.width, r.height,
                           hw(parent), reinterpret_cast<HMENU>(intptr_t(id)), GetModuleHandleW(nullptr), nullptr);
  if (h) controls[h];
  return wh(h);
}

WindowHandle Win32Gui::create_status_bar(WindowHandle parent, uint32_t style, int32_t id) {
  register_gui_class();
  HWND h = CreateWindowExW(0, STATUSCLASSNAMEW, L"", style | SBARS_SIZEGRIP, 0, 0, 0, 0, hw(parent),
                           reinterpret_cast<HMENU>(intptr_t(id)), GetModuleHandleW(nullptr), nullptr);
  if (h) controls[h];
  return wh(h);
}

void Win32Gui::destroy(WindowHandle window) { DestroyWindow(hw(window)); }

bool Win32Gui::class_registered(StringView class_name) {
  register_gui_class();
  std::wstring c;
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  return GetClassInfoExW(GetModuleHandleW(nullptr), wide(class_name, c), &wc) ||
         GetClassInfoExW(nullptr, c.c_str(), &wc);
}

void Win32Gui::show(WindowHandle window, ShowHow how) { ShowWindow(hw(window), int(how)); }
bool Win32Gui::visible(WindowHandle window) { return (GetWindowLongW(hw(window), GWL_STYLE) & WS_VISIBLE) != 0; }
bool Win32Gui::minimized(WindowHandle window) { return IsIconic(hw(window)) != 0; }
bool Win32Gui::maximized(WindowHandle window) { return IsZoomed(hw(window)) != 0; }

bool Win32Gui::rect(WindowHandle window, WindowRect& out) {
  HWND h = hw(window);
  RECT r;
  if (!GetWindowRect(h, &r)) return false;
  if (GetWindowLongW(h, GWL_STYLE) & WS_CHILD) MapWindowPoints(HWND_DESKTOP, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
  out = {r.left, r.top, r.right - r.left, r.bottom - r.top};
  return true;
}

bool Win32Gui::client_size(WindowHandle window, int32_t& width, int32_t& height) {
  RECT r;
  if (!GetClientRect(hw(window), &r)) return false;
  width = r.right;
  height = r.bottom;
  return true;
}

void Win32Gui::frame_for_client(WindowHandle window, int32_t& width, int32_t& height) {
  HWND h = hw(window);
  RECT r = {0, 0, width, height};
  AdjustWindowRectEx(&r, DWORD(GetWindowLongW(h, GWL_STYLE)), GetMenu(h) != nullptr, DWORD(GetWindowLongW(h, GWL_EXSTYLE)));
  width = r.right - r.left;
  height = r.bottom - r.top;
}

bool Win32Gui::move(WindowHandle window, const WindowRect& r, bool redraw) {
  return MoveWindow(hw(window), r.x, r.y, r.width, r.height, redraw) != 0;
}

void Win32Gui::redraw(WindowHandle window) { InvalidateRect(hw(window), nullptr, TRUE); }

String Win32Gui::text(WindowHandle window) {
  HWND h = hw(window);
  int n = GetWindowTextLengthW(h);
  std::wstring buf(size_t(n) + 1, L'\0');
  n = GetWindowTextW(h, buf.data(), n + 1);
  return String(buf.begin(), buf.begin() + n);
}

void Win32Gui::set_text(WindowHandle window, StringView text) {
  std::wstring t;
  SetWindowTextW(hw(window), wide(text, t));
}

uint32_t Win32Gui::style(WindowHandle window, bool extended) {
  return uint32_t(GetWindowLongW(hw(window), extended ? GWL_EXSTYLE : GWL_STYLE));
}

void Win32Gui::set_style(WindowHandle window, bool extended, uint32_t value) {
  HWND h = hw(window);
  SetWindowLongW(h, extended ? GWL_EXSTYLE : GWL_STYLE, LONG(value));
  // Buttons draw their new type only when told.
  if (!extended && class_is(h, L"Button")) SendMessageW(h, BM_SETSTYLE, value & 0xFFFF, TRUE);
  SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(h, nullptr, TRUE);
}

bool Win32Gui::enabled(WindowHandle window) { return IsWindowEnabled(hw(window)) != 0; }
void Win32Gui::enable(WindowHandle window, bool on) { EnableWindow(hw(window), on); }
void Win32Gui::focus(WindowHandle window) { SetFocus(hw(window)); }
WindowHandle Win32Gui::focused() { return wh(GetFocus()); }
void Win32Gui::flash(WindowHandle window, bool on) { FlashWindow(hw(window), on); }

void Win32Gui::set_owner(WindowHandle window, WindowHandle owner, bool child) {
  HWND h = hw(window);
  if (child) {
    SetWindowLongW(h, GWL_EXSTYLE, GetWindowLongW(h, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    SetParent(h, hw(owner));
  } else {
    if (GetParent(h) && (GetWindowLongW(h, GWL_STYLE) & WS_CHILD)) SetParent(h, nullptr);
    SetWindowLongPtrW(h, GWLP_HWNDPARENT, LONG_PTR(owner));
  }
}

void Win32Gui::set_size_limits(WindowHandle window, int32_t min_w, int32_t min_h, int32_t max_w, int32_t max_h) {
  WindowState& s = windows[hw(window)];
  s.min_w = min_w, s.min_h = min_h, s.max_w = max_w, s.max_h = max_h;
}

void Win32Gui::set_topmost(WindowHandle window, bool on) {
  SetWindowPos(hw(window), on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Win32Gui::set_theme(WindowHandle control, bool on) {
  using SetTheme = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
  static SetTheme set = [] {
    HMODULE ux = LoadLibraryW(L"uxtheme.dll");
    return ux ? reinterpret_cast<SetTheme>(reinterpret_cast<void*>(GetProcAddress(ux, "SetWindowTheme"))) : nullptr;
  }();
  if (set) set(hw(control), on ? nullptr : L"", on ? nullptr : L"");
}

void Win32Gui::set_redraw(WindowHandle control, bool on) {
  SendMessageW(hw(control), WM_SETREDRAW, on, 0);
  if (on) InvalidateRect(hw(control), nullptr, TRUE);
}

void Win32Gui::set_password_char(WindowHandle control, char16_t c) {
  SendMessageW(hw(control), EM_SETPASSWORDCHAR, WPARAM(c), 0);
  InvalidateRect(hw(control), nullptr, TRUE);
}

void Win32Gui::set_tab_stops(WindowHandle control, bool list_box, const std::vector<int32_t>& stops) {
  std::vector<INT> s(stops.begin(), stops.end());
  SendMessageW(hw(control), list_box ? LB_SETTABSTOPS : EM_SETTABSTOPS, s.size(), LPARAM(s.data()));
}

void Win32Gui::set_edit_keys(WindowHandle control, bool wants_tab, bool wants_ctrl_a) {
  ControlState& s = controls[hw(control)];
  s.wants_tab = wants_tab;
  s.no_ctrl_a = !wants_ctrl_a;
}

void Win32Gui::make_foreground(WindowHandle window) { SetForegroundWindow(hw(window)); }

void Win32Gui::set_default_button(WindowHandle window, WindowHandle button) {
  windows[hw(window)].default_button = hw(button);
}

void Win32Gui::set_window_colors(WindowHandle window, uint32_t window_rgb, uint32_t control_rgb) {
  WindowState& s = windows[hw(window)];
  auto color = [](uint32_t rgb) {
    return rgb == kDefaultColor ? CLR_INVALID : RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
  };
  if (s.window_brush) DeleteObject(s.window_brush), s.window_brush = nullptr;
  if (s.control_brush) DeleteObject(s.control_brush), s.control_brush = nullptr;
  s.window_color = color(window_rgb);
  s.control_color = color(control_rgb);
}

void Win32Gui::set_control_color(WindowHandle control, uint32_t rgb) {
  controls[hw(control)].text_color =
      rgb == kDefaultColor ? CLR_INVALID : RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
  InvalidateRect(hw(control), nullptr, TRUE);
}

void Win32Gui::dropped_files(uintptr_t drop, std::vector<String>& out) {
  out.clear();
  auto d = reinterpret_cast<HDROP>(drop);
  UINT count = DragQueryFileW(d, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    // Each path whole, however long it is.
    UINT n = DragQueryFileW(d, i, nullptr, 0);
    std::wstring buf(size_t(n) + 1, L'\0');
    n = DragQueryFileW(d, i, buf.data(), n + 1);
    out.emplace_back(buf.begin(), buf.begin() + n);
  }
}

void Win32Gui::release_drop(uintptr_t drop) { DragFinish(reinterpret_cast<HDROP>(drop)); }

void Win32Gui::set_scroll_content(WindowHandle window, int32_t width, int32_t height) {
  WindowState& s = windows[hw(window)];
  s.content_w = width;
  s.content_h = height;
  fit_scroll_bars(hw(window), s);
}

void Win32Gui::set_menu_bar(WindowHandle window, uintptr_t menu, const std::vector<Accelerator>& keys) {
  HWND h = hw(window);
  WindowState& s = windows[h];
  if (s.accelerators) DestroyAcceleratorTable(s.accelerators), s.accelerators = nullptr;
  if (!keys.empty()) {
    std::vector<ACCEL> table;
    for (const Accelerator& k : keys) {
      BYTE flags = FVIRTKEY | ((k.modifiers & 1) ? FSHIFT : 0) | ((k.modifiers & 2) ? FCONTROL : 0) |
                   ((k.modifiers & 4) ? FALT : 0);
      table.push_back(ACCEL{flags, k.vk, k.id});
    }
    s.accelerators = CreateAcceleratorTableW(table.data(), int(table.size()));
  }
  SetMenu(h, reinterpret_cast<HMENU>(menu));
  DrawMenuBar(h);
}

bool translate_gui_message(MSG* msg) {
  if (!msg->hwnd || win32_gui().windows.empty()) return false;
  HWND root = outer_gui_window(msg->hwnd);
  if (!root) return false;
  if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) {
    // The keys of the menu bar of the window the focus is in.
    for (HWND w = msg->hwnd; w; w = GetParent(w)) {
      auto it = win32_gui().windows.find(w);
      if (it == win32_gui().windows.end() || !it->second.accelerators) continue;
      if (TranslateAcceleratorW(w, it->second.accelerators, msg)) return true;
      break;
    }
  }
  if (msg->message == WM_KEYDOWN) {
    HWND focus = GetFocus();
    bool in_edit = focus && class_is(focus, L"Edit");
    bool ctrl = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
    Win32Gui& gui = win32_gui();
    auto state = in_edit ? gui.controls.find(focus) : gui.controls.end();
    // An Edit inside a combo box belongs to the combo box.
    if (in_edit && state == gui.controls.end()) state = gui.controls.find(GetParent(focus));
    bool known = state != gui.controls.end();
    if (in_edit && msg->wParam == 'A' && ctrl && !alt && !(known && state->second.no_ctrl_a)) {
      SendMessageW(focus, EM_SETSEL, 0, -1);
      return true;
    }
    if (in_edit && msg->wParam == VK_TAB && !ctrl && !alt && known && state->second.wants_tab) {
      SendMessageW(focus, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\t"));
      return true;
    }
    // Ctrl+Tab, Ctrl+PgDn and their Shift and PgUp forms turn the pages of
    // the window's first tab control (a multi-line Edit keeps Ctrl+Tab).
    bool multiline = in_edit && (GetWindowLongW(focus, GWL_STYLE) & ES_MULTILINE);
    if (ctrl && !alt && (msg->wParam == VK_NEXT || msg->wParam == VK_PRIOR || (msg->wParam == VK_TAB && !multiline))) {
      HWND tab = FindWindowExW(outer_gui_window(focus ? focus : msg->hwnd), nullptr, WC_TABCONTROLW, nullptr);
      int count = tab && IsWindowEnabled(tab) ? int(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0)) : 0;
      if (count > 0) {
        bool forward = msg->wParam == VK_NEXT || (msg->wParam == VK_TAB && GetKeyState(VK_SHIFT) >= 0);
        int now = int(SendMessageW(tab, TCM_GETCURSEL, 0, 0));
        SendMessageW(tab, TCM_SETCURSEL, WPARAM(((now < 0 ? 0 : now) + (forward ? 1 : count - 1)) % count), 0);
        NMHDR hdr = {tab, UINT_PTR(GetDlgCtrlID(tab)), UINT(TCN_SELCHANGE)};
        SendMessageW(GetParent(tab), WM_NOTIFY, hdr.idFrom, reinterpret_cast<LPARAM>(&hdr));
        return true;
      }
    }
    if (in_edit && msg->wParam == VK_ESCAPE) {
      HWND owner = outer_gui_window(focus);
      SendMessageW(owner ? owner : root, WM_COMMAND, IDCANCEL, 0);
      return true;
    }
  }
  return IsDialogMessageW(root, msg) != 0;
}

}  // namespace orv::platform
