// orv-testdriver: a small Windows helper that tests run under Wine to watch
// and drive the program from another process: wait for its windows, read
// and answer its dialogs, post it messages.
//
//   wait-window CLASS TITLE-SUFFIX TIMEOUT-MS   exit 0 when such a window exists
//   wait-gone   CLASS TITLE-SUFFIX TIMEOUT-MS   exit 0 when no such window exists
//   wait-active CLASS TITLE-SUFFIX TIMEOUT-MS   exit 0 when such a window is the foreground window
//   wait-shown  CLASS TITLE-SUFFIX TIMEOUT-MS   exit 0 when such a window is visible (pop-up
//                                               menus' windows stay hidden between uses)
//   dialog      TITLE TIMEOUT-MS                print a visible message box's text
//   click       TITLE BUTTON-ID TIMEOUT-MS      press a message box button
//   post        CLASS TITLE-SUFFIX MSG WPARAM LPARAM
//   edit-text   CLASS TITLE-SUFFIX TIMEOUT-MS   print the text of the window's first Edit control
//   rect        CLASS TITLE-SUFFIX              print a window's position and size: X Y W H
//   rect-shown  CLASS TITLE-SUFFIX              the same for a visible one
//   window      CLASS TITLE [stall]             show a test window (an Edit, a "Press me" button,
//                                               an "Agree" check box, a combo box red/green/blue
//                                               a list box one/two and a status bar "Ready" |
//                                               "Part two", whose first part says "Pressed" once
//                                               the button is) until it is closed, then
//                                               print its Edit's text and, a line each, the
//                                               notifications its controls sent (pressed, agree,
//                                               combo, list);
//                                               with stall, it stalls 3 s on a close request
//                                               and stays
//   tray-pos    TIP TIMEOUT-MS                  print the screen position (X Y) of the middle of
//                                               the tray icon whose tip is TIP
//
//   windows     COUNT TITLE-PREFIX              show COUNT plain windows titled PREFIX1 ... PREFIXn
//                                               until the last of them is closed
//
// CLASS "*" matches any class; TITLE-SUFFIX "" matches any title. The
// commands on script windows' controls are listed in control_probe.cpp.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Search {
  const wchar_t* cls;
  const wchar_t* suffix;
  bool need_visible;
  HWND found;
};

bool title_matches(HWND hwnd, const wchar_t* suffix) {
  wchar_t title[1024] = {};
  GetWindowTextW(hwnd, title, 1024);
  size_t n = wcslen(title), m = wcslen(suffix);
  return m <= n && _wcsicmp(title + n - m, suffix) == 0;
}

BOOL CALLBACK visit(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  if (wcscmp(s->cls, L"*") != 0) {
    wchar_t cls[256] = {};
    GetClassNameW(hwnd, cls, 256);
    if (_wcsicmp(cls, s->cls) != 0) return TRUE;
  }
  if (!title_matches(hwnd, s->suffix)) return TRUE;
  if (s->need_visible && !IsWindowVisible(hwnd)) return TRUE;
  s->found = hwnd;
  return FALSE;
}

HWND find(const wchar_t* cls, const wchar_t* suffix, bool visible) {
  Search s{cls, suffix, visible, nullptr};
  EnumWindows(visit, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND wait_for(const wchar_t* cls, const wchar_t* suffix, bool visible, DWORD timeout) {
  DWORD start = GetTickCount();
  for (;;) {
    if (HWND h = find(cls, suffix, visible)) return h;
    if (GetTickCount() - start >= timeout) return nullptr;
    Sleep(20);
  }
}

void print_utf8(const wchar_t* text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  fwrite(out.data(), 1, out.size(), stdout);
  fputc('\n', stdout);
}

bool g_stall = false;
std::wstring g_events;

enum ControlId { kEdit = 1, kPress, kAgree, kCombo, kList, kStatus };

// Only the notifications a user's action on a control would send.
void note(WORD id, WORD code) {
  const wchar_t* what = id == kPress && code == BN_CLICKED   ? L"pressed"
                        : id == kAgree && code == BN_CLICKED ? L"agree"
                        : id == kCombo && code == CBN_SELCHANGE ? L"combo"
                        : id == kList && code == LBN_SELCHANGE  ? L"list"
                                                                : nullptr;
  if (what) g_events += std::wstring(L"\n") + what;
}

LRESULT CALLBACK test_window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SETFOCUS:
      // Typed keys go to the Edit, where the test can read them back.
      SetFocus(FindWindowExW(hwnd, nullptr, L"Edit", nullptr));
      return 0;
    case WM_CLOSE:
      // A stalling window is busy in its close handler, then stays.
      if (!g_stall) break;
      Sleep(3000);
      return 0;
    case WM_COMMAND:
      note(LOWORD(wp), HIWORD(wp));
      if (LOWORD(wp) == kPress && HIWORD(wp) == BN_CLICKED)
        SendMessageW(GetDlgItem(hwnd, kStatus), SB_SETTEXTW, 0, LPARAM(L"Pressed"));
      return 0;
    case WM_DESTROY: {
      wchar_t text[1024] = {};
      GetWindowTextW(FindWindowExW(hwnd, nullptr, L"Edit", nullptr), text, 1024);
      print_utf8((text + g_events).c_str());
      fflush(stdout);
      PostQuitMessage(0);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

int g_plain_windows = 0;

int run_test_window(const wchar_t* cls, const wchar_t* title, bool stall) {
  g_stall = stall;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW wc = {};
  wc.lpfnWndProc = test_window_proc;
  wc.hInstance = instance;
  wc.lpszClassName = cls;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  if (!RegisterClassW(&wc)) return 1;
  HWND w = CreateWindowExW(0, cls, title, WS_OVERLAPPEDWINDOW, 40, 40, 360, 200, nullptr, nullptr, instance, nullptr);
  if (!w) return 1;
  auto child = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int cx, int cy, int id) {
    return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, w,
                           reinterpret_cast<HMENU>(INT_PTR(id)), instance, nullptr);
  };
  // Scrolls sideways: a single-line edit without it refuses what does not fit.
  child(L"Edit", L"", WS_BORDER | ES_AUTOHSCROLL, 10, 10, 200, 24, kEdit);
  child(L"Button", L"Press me", 0, 10, 44, 100, 24, kPress);
  child(L"Button", L"Agree", BS_AUTOCHECKBOX, 120, 44, 100, 24, kAgree);
  HWND combo = child(L"ComboBox", L"", CBS_DROPDOWNLIST | WS_VSCROLL, 10, 78, 150, 120, kCombo);
  HWND list = child(L"ListBox", L"", LBS_NOTIFY | WS_BORDER, 170, 78, 150, 60, kList);
  for (const wchar_t* item : {L"red", L"green", L"blue"}) SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(item));
  for (const wchar_t* item : {L"one", L"two"}) SendMessageW(list, LB_ADDSTRING, 0, LPARAM(item));
  INITCOMMONCONTROLSEX common = {sizeof common, ICC_BAR_CLASSES};
  InitCommonControlsEx(&common);
  HWND status = child(STATUSCLASSNAMEW, L"", 0, 0, 0, 0, 0, kStatus);
  int parts[] = {150, -1};
  SendMessageW(status, SB_SETPARTS, 2, LPARAM(parts));
  SendMessageW(status, SB_SETTEXTW, 0, LPARAM(L"Ready"));
  SendMessageW(status, SB_SETTEXTW, 1, LPARAM(L"Part two"));
  ShowWindow(w, SW_SHOWNOACTIVATE);
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  return 0;
}

// The tray keeps a tooltip window with one tool per icon, its text the
// icon's tip and its rectangle the icon's place; the tools live in the
// tray's process, so they are read through a buffer there.
struct TrayLook {
  const wchar_t* tip;
  POINT at;
  bool found;
};

BOOL CALLBACK visit_tooltip(HWND hwnd, LPARAM lp) {
  auto* look = reinterpret_cast<TrayLook*>(lp);
  wchar_t cls[64] = {};
  GetClassNameW(hwnd, cls, 64);
  if (_wcsicmp(cls, TOOLTIPS_CLASSW) != 0) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  HANDLE proc = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!proc) return TRUE;
  constexpr size_t kText = 1024;
  SIZE_T bytes = sizeof(TTTOOLINFOW) + kText * sizeof(wchar_t);
  char* remote = static_cast<char*>(VirtualAllocEx(proc, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE));
  int count = int(SendMessageW(hwnd, TTM_GETTOOLCOUNT, 0, 0));
  for (int i = 0; remote && i < count && !look->found; ++i) {
    TTTOOLINFOW ti = {};
    ti.cbSize = sizeof ti;
    ti.lpszText = reinterpret_cast<wchar_t*>(remote + sizeof ti);
    wchar_t text[kText] = {};
    WriteProcessMemory(proc, remote, &ti, sizeof ti, nullptr);
    WriteProcessMemory(proc, remote + sizeof ti, text, sizeof text, nullptr);
    if (!SendMessageW(hwnd, TTM_ENUMTOOLSW, WPARAM(i), reinterpret_cast<LPARAM>(remote))) continue;
    ReadProcessMemory(proc, remote, &ti, sizeof ti, nullptr);
    ReadProcessMemory(proc, remote + sizeof ti, text, sizeof text - sizeof(wchar_t), nullptr);
    if (wcscmp(text, look->tip) != 0) continue;
    look->at = {(ti.rect.left + ti.rect.right) / 2, (ti.rect.top + ti.rect.bottom) / 2};
    ClientToScreen(ti.hwnd, &look->at);
    look->found = true;
  }
  if (remote) VirtualFreeEx(proc, remote, 0, MEM_RELEASE);
  CloseHandle(proc);
  return !look->found;
}

LRESULT CALLBACK plain_window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    static int closed = 0;
    if (++closed == g_plain_windows) PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// COUNT plain windows titled PREFIX1 ... PREFIXn, until the last is closed.
int run_plain_windows(int count, const wchar_t* prefix) {
  g_plain_windows = count;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW wc = {};
  wc.lpfnWndProc = plain_window_proc;
  wc.hInstance = instance;
  wc.lpszClassName = L"OrvPlainWindow";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  if (!RegisterClassW(&wc)) return 1;
  for (int i = 1; i <= count; ++i) {
    std::wstring title = prefix + std::to_wstring(i);
    HWND w = CreateWindowExW(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, 20 + i * 8, 20 + i * 8, 240, 120,
                             nullptr, nullptr, instance, nullptr);
    if (!w) return 1;
    ShowWindow(w, SW_SHOWNOACTIVATE);
  }
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
  return 0;
}

}  // namespace

int run_control_probe(int argc, wchar_t** argv);

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: orv-testdriver COMMAND ...\n");
    return 2;
  }
  std::wstring cmd = argv[1];
  if ((cmd == L"wait-window" || cmd == L"wait-gone") && argc == 5) {
    DWORD timeout = wcstoul(argv[4], nullptr, 10), start = GetTickCount();
    if (cmd == L"wait-window") return wait_for(argv[2], argv[3], false, timeout) ? 0 : 1;
    while (find(argv[2], argv[3], false)) {
      if (GetTickCount() - start >= timeout) return 1;
      Sleep(20);
    }
    return 0;
  }
  if (cmd == L"wait-active" && argc == 5) {
    DWORD timeout = wcstoul(argv[4], nullptr, 10), start = GetTickCount();
    for (;;) {
      HWND h = GetForegroundWindow();
      wchar_t cls[256] = {};
      if (h) GetClassNameW(h, cls, 256);
      if (h && (wcscmp(argv[2], L"*") == 0 || _wcsicmp(cls, argv[2]) == 0) && title_matches(h, argv[3])) return 0;
      if (GetTickCount() - start >= timeout) return 1;
      Sleep(20);
    }
  }
  if (cmd == L"dialog" && argc == 4) {
    HWND dlg = wait_for(L"#32770", argv[2], true, wcstoul(argv[3], nullptr, 10));
    if (!dlg) return 1;
    wchar_t text[8192] = {};
    GetDlgItemTextW(dlg, 0xFFFF, text, 8192);
    print_utf8(text);
    return 0;
  }
  if (cmd == L"click" && argc == 5) {
    HWND dlg = wait_for(L"#32770", argv[2], true, wcstoul(argv[4], nullptr, 10));
    if (!dlg) return 1;
    HWND button = GetDlgItem(dlg, int(wcstol(argv[3], nullptr, 10)));
    if (!button) return 1;
    PostMessageW(button, BM_CLICK, 0, 0);
    return 0;
  }
  if (cmd == L"post" && argc == 7) {
    HWND h = find(argv[2], argv[3], false);
    if (!h) return 1;
    return PostMessageW(h, UINT(wcstoul(argv[4], nullptr, 0)), WPARAM(wcstoull(argv[5], nullptr, 0)),
                        LPARAM(wcstoll(argv[6], nullptr, 0)))
               ? 0
               : 1;
  }
  if (cmd == L"edit-text" && argc == 5) {
    HWND h = wait_for(argv[2], argv[3], false, wcstoul(argv[4], nullptr, 10));
    HWND edit = h ? FindWindowExW(h, nullptr, L"Edit", nullptr) : nullptr;
    if (!edit) return 1;
    // WM_GETTEXT, not GetWindowText: the control belongs to another process.
    LRESULT n = SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(size_t(n) + 1, L'\0');
    SendMessageW(edit, WM_GETTEXT, WPARAM(n + 1), LPARAM(text.data()));
    print_utf8(text.c_str());
    return 0;
  }
  if (cmd == L"wait-shown" && argc == 5) {
    return wait_for(argv[2], argv[3], true, wcstoul(argv[4], nullptr, 10)) ? 0 : 1;
  }
  if ((cmd == L"rect" || cmd == L"rect-shown") && argc == 4) {
    HWND h = find(argv[2], argv[3], cmd == L"rect-shown");
    RECT r;
    if (!h || !GetWindowRect(h, &r)) return 1;
    printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return 0;
  }
  if (cmd == L"tray-pos" && argc == 4) {
    DWORD timeout = wcstoul(argv[3], nullptr, 10), start = GetTickCount();
    for (;;) {
      TrayLook look = {argv[2], {}, false};
      EnumWindows(visit_tooltip, reinterpret_cast<LPARAM>(&look));
      if (look.found) {
        printf("%ld %ld\n", look.at.x, look.at.y);
        return 0;
      }
      if (GetTickCount() - start >= timeout) return 1;
      Sleep(50);
    }
  }
  if (cmd == L"window" && (argc == 4 || argc == 5)) {
    return run_test_window(argv[2], argv[3], argc == 5 && std::wstring(argv[4]) == L"stall");
  }
  if (cmd == L"windows" && argc == 4) return run_plain_windows(_wtoi(argv[2]), argv[3]);
  if (cmd == L"controls" || cmd == L"client" || cmd == L"set-text" || cmd == L"press" || cmd == L"select" ||
      cmd == L"focus-of" || cmd == L"resize" || cmd == L"lv-rows" || cmd == L"lv-point" || cmd == L"sb-parts")
    return run_control_probe(argc, argv);
  fprintf(stderr, "orv-testdriver: bad command\n");
  return 2;
}
