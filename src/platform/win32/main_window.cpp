// MainWindow: the hidden top-level window that receives the program's own
// messages, owns the tray icon and shows ListLines and the other views in
// its edit control.
#include <windows.h>
#include <shellapi.h>

#include "platform/menus.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "platform/win32/icons.h"
#include "platform/win32/main_window_internal.h"
#include "platform/win32/owned_handle.h"

namespace orv::platform {

namespace {

constexpr wchar_t kClassName[] = L"Orvanta";
constexpr wchar_t kClassName2[] = L"Orvanta2";
constexpr UINT kTrayId = 1028;

HWND g_main = nullptr;
HWND g_edit = nullptr;
OwnedFont g_font;
OwnedAccelerators g_accel;
bool g_tray_added = false;
bool g_final_destroy = false;
bool g_wants_tray = false;  // not with #NoTrayIcon
std::wstring g_tray_tip;
MainWindowHandler g_handler = nullptr;

void add_tray_icon();

}  // namespace

void set_main_window_handler(MainWindowHandler handler) { g_handler = handler; }

namespace {

LRESULT CALLBACK main_window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) noexcept {
  // A restarted taskbar has forgotten every tray icon.
  static const UINT taskbar_created = RegisterWindowMessageW(L"TaskbarCreated");
  if (msg == taskbar_created && taskbar_created) {
    add_tray_icon();
    return 0;
  }
  // While the window is being taken down for good, it is only a window.
  if (!g_final_destroy && hwnd == g_main) {
    intptr_t result = 0;
    if (g_handler && g_handler(msg, wparam, lparam, result)) return result;
  }
  switch (msg) {
    case WM_SIZE:
      if (wparam == SIZE_MINIMIZED) ShowWindow(hwnd, SW_HIDE);
      else if (g_edit) MoveWindow(g_edit, 0, 0, LOWORD(lparam), HIWORD(lparam), TRUE);
      return 0;
    case WM_SETFOCUS:
      if (g_edit) SetFocus(g_edit);
      return 0;
    case WM_SYSCOMMAND:
      // The close box and minimising hide the window; the script goes on.
      if ((wparam & 0xFFF0) == SC_CLOSE || (wparam & 0xFFF0) == SC_MINIMIZE) {
        ShowWindow(hwnd, SW_HIDE);
        return 0;
      }
      break;
    case WM_DESTROY:
      if (hwnd == g_main) g_main = nullptr;
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

HICON load_icon(int id, int size) {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
}

int g_tray_icon_id = 159;  // the built-in icon for the pause and suspend states
// A custom icon set by the script, small and large; frozen, it does not
// give way to the pause and suspend icons.
HICON g_custom_small = nullptr, g_custom_large = nullptr;
bool g_custom_frozen = false;

HICON tray_icon_now() {
  if (g_custom_small && (g_custom_frozen || g_tray_icon_id == 159)) return g_custom_small;
  return load_icon(g_tray_icon_id, GetSystemMetrics(SM_CXSMICON));
}

void modify_tray(UINT flags) {
  if (!g_tray_added) return;
  NOTIFYICONDATAW nid = {};
  nid.cbSize = sizeof nid;
  nid.hWnd = g_main;
  nid.uID = kTrayId;
  nid.uFlags = flags;
  if (flags & NIF_ICON) nid.hIcon = tray_icon_now();
  if (flags & NIF_TIP) lstrcpynW(nid.szTip, g_tray_tip.c_str(), 128);
  Shell_NotifyIconW(NIM_MODIFY, &nid);
}

void add_tray_icon() {
  if (!g_wants_tray || !g_main) return;
  NOTIFYICONDATAW nid = {};
  nid.cbSize = sizeof nid;
  nid.hWnd = g_main;
  nid.uID = kTrayId;
  nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  nid.uCallbackMessage = program_message::kTrayIcon;
  nid.hIcon = tray_icon_now();
  lstrcpynW(nid.szTip, g_tray_tip.c_str(), 128);
  g_tray_added = Shell_NotifyIconW(NIM_ADD, &nid) != 0;
}

bool register_classes() {
  HINSTANCE inst = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = main_window_proc;
  wc.hInstance = inst;
  wc.hIcon = load_icon(159, 0);
  wc.hIconSm = load_icon(159, GetSystemMetrics(SM_CXSMICON));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszMenuName = MAKEINTRESOURCEW(211);
  wc.lpszClassName = kClassName;
  if (!RegisterClassExW(&wc)) return false;
  wc.lpszMenuName = nullptr;
  wc.lpszClassName = kClassName2;
  return RegisterClassExW(&wc) != 0;
}

std::wstring wide(StringView s) { return std::wstring(s.begin(), s.end()); }

}  // namespace

bool create_main_window(const MainWindowOptions& options) {
  if (!register_classes()) {
    MessageBoxW(nullptr, L"RegClass", L"", 0);
    return false;
  }
  HWND fg = GetForegroundWindow();
  bool tool_window = true;
  if (fg) {
    wchar_t cls[64] = {};
    GetClassNameW(fg, cls, 64);
    tool_window = lstrcmpW(cls, L"Shell_TrayWnd") == 0;
  }
  std::wstring title = wide(options.title);
  g_main = CreateWindowExW(tool_window ? WS_EX_TOOLWINDOW : 0, kClassName, title.c_str(), WS_OVERLAPPEDWINDOW,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  if (!g_main) {
    MessageBoxW(nullptr, L"CreateWindow", L"", 0);
    return false;
  }
  if (HMENU menu = GetMenu(g_main)) {
    for (UINT id : {65401u, 65408u, 65409u}) EnableMenuItem(menu, id, MF_BYCOMMAND | MF_GRAYED);
  }
  g_edit = CreateWindowExW(0, L"edit", L"", 0x50A00804, 0, 0, 0, 0, g_main, reinterpret_cast<HMENU>(1),
                           GetModuleHandleW(nullptr), nullptr);
  if (g_edit) {
    HDC dc = GetDC(g_main);
    int height = -MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(g_main, dc);
    g_font.reset(CreateFontW(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, FIXED_PITCH, L"Consolas"));
    SendMessageW(g_edit, WM_SETFONT, reinterpret_cast<WPARAM>(g_font.get()), 0);
    SendMessageW(g_edit, EM_LIMITTEXT, 0, 0);
  }
  ShowWindow(g_main, SW_HIDE);
  if (tool_window) {
    ShowWindow(g_main, SW_MINIMIZE);
    SetWindowLongPtrW(g_main, GWL_EXSTYLE, 0);
  }
  g_accel.reset(LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(212)));
  g_wants_tray = options.tray_icon;
  g_tray_tip = wide(options.tray_tip.empty() ? StringView(u"Orvanta") : StringView(options.tray_tip));
  add_tray_icon();
  return true;
}

void remove_tray_icon() {
  g_wants_tray = false;
  if (!g_tray_added) return;
  NOTIFYICONDATAW nid = {};
  nid.cbSize = sizeof nid;
  nid.hWnd = g_main;
  nid.uID = kTrayId;
  Shell_NotifyIconW(NIM_DELETE, &nid);
  g_tray_added = false;
}

void show_pause_state(bool paused, bool suspended) {
  if (!g_main) return;
  if (HMENU menu = GetMenu(g_main)) {
    CheckMenuItem(menu, 65403, MF_BYCOMMAND | (paused ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, 65404, MF_BYCOMMAND | (suspended ? MF_CHECKED : MF_UNCHECKED));
  }
  g_tray_icon_id = paused && suspended ? 208 : paused ? 207 : suspended ? 206 : 159;
  modify_tray(NIF_ICON);
}

void set_tray_tip(StringView tip) {
  g_tray_tip = wide(tip.empty() ? StringView(u"Orvanta") : tip);
  modify_tray(NIF_TIP);
}

bool set_tray_icon_file(StringView file, int32_t number, String& full_path) {
  HICON small_icon = nullptr, large_icon = nullptr;
  if (!file.empty()) {
    std::wstring path = wide(file);
    wchar_t full[MAX_PATH] = {};
    DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    if (n > 0 && n < MAX_PATH) path = full;
    small_icon = load_file_icon(path, number, GetSystemMetrics(SM_CXSMICON));
    large_icon = load_file_icon(path, number, GetSystemMetrics(SM_CXICON));
    if (!small_icon) {
      if (large_icon) DestroyIcon(large_icon);
      return false;
    }
    full_path.assign(path.begin(), path.end());
  }
  if (g_custom_small) DestroyIcon(g_custom_small);
  if (g_custom_large) DestroyIcon(g_custom_large);
  g_custom_small = small_icon;
  g_custom_large = large_icon;
  if (g_main) {
    // MainWindow wears the same icon.
    HICON big = large_icon ? large_icon : load_icon(159, 0);
    HICON small = small_icon ? small_icon : load_icon(159, GetSystemMetrics(SM_CXSMICON));
    SendMessageW(g_main, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    SendMessageW(g_main, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  }
  modify_tray(NIF_ICON);
  return true;
}

void set_tray_icon_frozen(bool frozen) {
  g_custom_frozen = frozen;
  modify_tray(NIF_ICON);
}

void set_tray_icon_visible(bool visible) {
  if (!visible) {
    remove_tray_icon();
    return;
  }
  g_wants_tray = true;
  if (!g_tray_added) add_tray_icon();
}

void show_main_window() {
  if (!g_main) return;
  ShowWindow(g_main, SW_SHOW);
  SetForegroundWindow(g_main);
}

uint32_t process_id() { return GetCurrentProcessId(); }

void destroy_main_window() {
  if (!g_main) return;
  remove_tray_icon();
  g_final_destroy = true;
  DestroyWindow(g_main);
  g_main = nullptr;
  g_font.reset();
  g_accel.reset();
  UnregisterClassW(kClassName, GetModuleHandleW(nullptr));
  UnregisterClassW(kClassName2, GetModuleHandleW(nullptr));
}

WindowHandle main_window() { return reinterpret_cast<WindowHandle>(g_main); }

void set_main_window_text(StringView text) {
  if (g_edit) SetWindowTextW(g_edit, wide(text).c_str());
}

WindowHandle find_instance_window(StringView title) {
  return reinterpret_cast<WindowHandle>(FindWindowW(kClassName, wide(title).c_str()));
}

bool window_exists(WindowHandle window) { return IsWindow(reinterpret_cast<HWND>(window)) != 0; }

bool post_message(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
  return PostMessageW(reinterpret_cast<HWND>(window), message, wparam, lparam) != 0;
}

intptr_t send_message(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
  return SendMessageW(reinterpret_cast<HWND>(window), message, wparam, lparam);
}

bool translate_main_window_accelerator(MSG* msg) {
  return g_accel && g_main && TranslateAcceleratorW(g_main, g_accel.get(), msg);
}

}  // namespace orv::platform
