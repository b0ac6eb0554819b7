// The test driver's look at another program's controls: it lists them as a
// user would see them and works them as a user would, from outside.
//
//   controls  TITLE-SUFFIX              one line per control of the OrvantaGUI window:
//                                       ClassNN x y w h visible enabled check text [items]
//                                       (tab-separated; positions in the client area;
//                                       check is - for controls without one; list items
//                                       joined by |, a selected one marked with *)
//   client    TITLE-SUFFIX              print the window's client size: W H
//   set-text  TITLE-SUFFIX CLASSNN TEXT set a control's text as typing would (WM_SETTEXT,
//                                       then the change notification an Edit sends)
//   press     TITLE-SUFFIX CLASSNN      click a button (posted, so that a dialog it opens
//                                       does not hold the driver)
//   select    TITLE-SUFFIX CLASSNN N    select item N (from 0) of a list as a click would
//   focus-of  TITLE-SUFFIX              print the ClassNN of the window's focused control
//   resize    TITLE-SUFFIX W H          give the window that outer size, as dragging its
//                                       border would
// and the list view and status bar commands of list_probe.cpp.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

int run_list_probe(const std::wstring& cmd, HWND ctl, int argc, wchar_t** argv);

namespace {

struct Child {
  HWND hwnd;
  std::wstring nn;
};

std::wstring class_of(HWND h) {
  wchar_t cls[256] = {};
  GetClassNameW(h, cls, 256);
  return cls;
}

// The direct and nested children in the system's order, named as ClassNN.
std::vector<Child> children(HWND window) {
  std::vector<HWND> all;
  EnumChildWindows(
      window,
      [](HWND h, LPARAM lp) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  std::vector<Child> out;
  for (HWND h : all) {
    std::wstring cls = class_of(h);
    int n = 1;
    for (const Child& c : out)
      if (_wcsicmp(class_of(c.hwnd).c_str(), cls.c_str()) == 0) ++n;
    out.push_back({h, cls + std::to_wstring(n)});
  }
  return out;
}

HWND gui_window(const wchar_t* suffix) {
  struct Look {
    const wchar_t* suffix;
    HWND found;
  } look{suffix, nullptr};
  EnumWindows(
      [](HWND h, LPARAM lp) -> BOOL {
        auto* l = reinterpret_cast<Look*>(lp);
        if (_wcsicmp(class_of(h).c_str(), L"OrvantaGUI") != 0) return TRUE;
        wchar_t title[1024] = {};
        GetWindowTextW(h, title, 1024);
        size_t n = wcslen(title), m = wcslen(l->suffix);
        if (m > n || _wcsicmp(title + n - m, l->suffix) != 0) return TRUE;
        l->found = h;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&look));
  return look.found;
}

HWND control(HWND window, const wchar_t* nn) {
  for (const Child& c : children(window))
    if (_wcsicmp(c.nn.c_str(), nn) == 0) return c.hwnd;
  return nullptr;
}

std::wstring text_of(HWND h) {
  LRESULT n = SendMessageW(h, WM_GETTEXTLENGTH, 0, 0);
  std::wstring t(size_t(n) + 1, L'\0');
  n = SendMessageW(h, WM_GETTEXT, WPARAM(n + 1), LPARAM(t.data()));
  t.resize(size_t(n > 0 ? n : 0));
  return t;
}

std::wstring items_of(HWND h, const std::wstring& cls) {
  bool lb = _wcsicmp(cls.c_str(), L"ListBox") == 0, cb = _wcsicmp(cls.c_str(), L"ComboBox") == 0;
  if (!lb && !cb) return L"";
  LRESULT count = SendMessageW(h, lb ? LB_GETCOUNT : CB_GETCOUNT, 0, 0);
  LRESULT cur = lb ? -1 : SendMessageW(h, CB_GETCURSEL, 0, 0);
  std::wstring out;
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT n = SendMessageW(h, lb ? LB_GETTEXTLEN : CB_GETLBTEXTLEN, WPARAM(i), 0);
    std::wstring t(size_t(n > 0 ? n : 0) + 1, L'\0');
    n = SendMessageW(h, lb ? LB_GETTEXT : CB_GETLBTEXT, WPARAM(i), LPARAM(t.data()));
    t.resize(size_t(n > 0 ? n : 0));
    bool selected = lb ? SendMessageW(h, LB_GETSEL, WPARAM(i), 0) > 0 : i == cur;
    if (i) out += L"|";
    out += (selected ? L"*" : L"") + t;
  }
  return out;
}

void print(const std::wstring& s) {
  int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), int(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, s.c_str(), int(s.size()), out.data(), n, nullptr, nullptr);
  fwrite(out.data(), 1, out.size(), stdout);
  fputc('\n', stdout);
}

// Line breaks inside a control's text would break the listing's lines.
std::wstring one_line(std::wstring s) {
  for (wchar_t& c : s)
    if (c == L'\r' || c == L'\n' || c == L'\t') c = L' ';
  return s;
}

}  // namespace

int run_control_probe(int argc, wchar_t** argv) {
  std::wstring cmd = argv[1];
  HWND window = argc >= 3 ? gui_window(argv[2]) : nullptr;
  if (!window) return 1;
  if (cmd == L"controls" && argc == 3) {
    for (const Child& c : children(window)) {
      std::wstring cls = class_of(c.hwnd);
      RECT r;
      GetWindowRect(c.hwnd, &r);
      MapWindowPoints(HWND_DESKTOP, GetParent(c.hwnd), reinterpret_cast<POINT*>(&r), 2);
      LONG style = GetWindowLongW(c.hwnd, GWL_STYLE);
      std::wstring check = L"-";
      if (_wcsicmp(cls.c_str(), L"Button") == 0) {
        LONG type = style & BS_TYPEMASK;
        if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON && type != BS_GROUPBOX)
          check = std::to_wstring(SendMessageW(c.hwnd, BM_GETCHECK, 0, 0));
      }
      wchar_t nums[128];
      swprintf(nums, 128, L"%ld\t%ld\t%ld\t%ld\t%d\t%d", r.left, r.top, r.right - r.left, r.bottom - r.top,
               (style & WS_VISIBLE) ? 1 : 0, IsWindowEnabled(c.hwnd) ? 1 : 0);
      print(c.nn + L"\t" + nums + L"\t" + check + L"\t" + one_line(text_of(c.hwnd)) + L"\t" +
            items_of(c.hwnd, cls));
    }
    return 0;
  }
  if (cmd == L"client" && argc == 3) {
    RECT r;
    GetClientRect(window, &r);
    printf("%ld %ld\n", r.right, r.bottom);
    return 0;
  }
  if (cmd == L"resize" && argc == 5)
    return SetWindowPos(window, nullptr, 0, 0, _wtoi(argv[3]), _wtoi(argv[4]), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE)
               ? 0
               : 1;
  if (cmd == L"focus-of" && argc == 3) {
    GUITHREADINFO info = {sizeof info};
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) || !info.hwndFocus) return 1;
    for (const Child& c : children(window))
      if (c.hwnd == info.hwndFocus || c.hwnd == GetParent(info.hwndFocus)) return print(c.nn), 0;
    return 1;
  }
  HWND ctl = argc >= 4 ? control(window, argv[3]) : nullptr;
  if (!ctl) return 1;
  int id = GetDlgCtrlID(ctl);
  if (cmd == L"set-text" && argc == 5) {
    SendMessageW(ctl, WM_SETTEXT, 0, LPARAM(argv[4]));
    return 0;
  }
  if (cmd == L"press" && argc == 4) return PostMessageW(ctl, BM_CLICK, 0, 0) ? 0 : 1;
  if (cmd == L"select" && argc == 5) {
    int n = _wtoi(argv[4]);
    bool lb = _wcsicmp(class_of(ctl).c_str(), L"ListBox") == 0;
    SendMessageW(ctl, lb ? LB_SETCURSEL : CB_SETCURSEL, WPARAM(n), 0);
    if (lb && (GetWindowLongW(ctl, GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_MULTIPLESEL))) SendMessageW(ctl, LB_SETSEL, TRUE, n);
    PostMessageW(GetParent(ctl), WM_COMMAND, MAKEWPARAM(id, lb ? LBN_SELCHANGE : CBN_SELCHANGE), LPARAM(ctl));
    return 0;
  }
  return run_list_probe(cmd, ctl, argc, argv);
}
