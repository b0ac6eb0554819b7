// Script windows on Win32: fonts and text measures, and what the standard
// controls hold (checks, list items, pictures).
#include <windows.h>
#include <commctrl.h>

#include <cmath>
#include <map>

#include "platform/win32/gui_internal.h"
#include "platform/win32/icons.h"
#include "platform/win32/wide_text.h"

namespace orv::platform {

namespace {

HWND hw(WindowHandle h) { return reinterpret_cast<HWND>(h); }

// The system's DPI is fixed for the life of a program that declares itself
// aware of the system's DPI.
int screen_dpi() {
  static int dpi = [] {
    HDC dc = GetDC(nullptr);
    int d = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return d > 0 ? d : 96;
  }();
  return dpi;
}

// One memory DC for every measure: asking the screen for a DC each time
// costs a round trip to the display under Wine.
HDC measure_dc() {
  static HDC dc = CreateCompatibleDC(nullptr);
  return dc;
}

HFONT font_or_default(FontHandle font) {
  return font ? reinterpret_cast<HFONT>(font) : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

int CALLBACK any_family(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool ends_with_folded(StringView s, StringView tail) {
  return s.size() >= tail.size() && equals_ignore_case(s.substr(s.size() - tail.size()), tail);
}

// GDI+ through its flat functions, loaded when first needed: it decodes
// PNG, JPEG, GIF and TIFF into a bitmap.
HBITMAP load_with_gdiplus(const std::wstring& path) {
  using Startup = int(WINAPI*)(ULONG_PTR*, const void*, void*);
  using FromFile = int(WINAPI*)(const wchar_t*, void**);
  using ToHbitmap = int(WINAPI*)(void*, HBITMAP*, DWORD);
  using Dispose = int(WINAPI*)(void*);
  static HMODULE lib = LoadLibraryW(L"gdiplus.dll");
  if (!lib) return nullptr;
  static auto startup = reinterpret_cast<Startup>(reinterpret_cast<void*>(GetProcAddress(lib, "GdiplusStartup")));
  static auto from_file =
      reinterpret_cast<FromFile>(reinterpret_cast<void*>(GetProcAddress(lib, "GdipCreateBitmapFromFile")));
  static auto to_hbitmap =
      reinterpret_cast<ToHbitmap>(reinterpret_cast<void*>(GetProcAddress(lib, "GdipCreateHBITMAPFromBitmap")));
  static auto dispose = reinterpret_cast<Dispose>(reinterpret_cast<void*>(GetProcAddress(lib, "GdipDisposeImage")));
  if (!startup || !from_file || !to_hbitmap || !dispose) return nullptr;
  static ULONG_PTR token = 0;
  if (!token) {
    struct {
      UINT32 version = 1;
      void* callback = nullptr;
      BOOL no_thread = FALSE, no_codecs = FALSE;
    } input;
    if (startup(&token, &input, nullptr) != 0) return nullptr;
  }
  void* bitmap = nullptr;
  if (from_file(path.c_str(), &bitmap) != 0 || !bitmap) return nullptr;
  HBITMAP out = nullptr;
  // Transparent parts take the button face, as the window behind shows.
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  DWORD argb = 0xFF000000 | (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
  if (to_hbitmap(bitmap, &out, argb) != 0) out = nullptr;
  dispose(bitmap);
  return out;
}

}  // namespace

FontSpec Win32Gui::default_font() {
  NONCLIENTMETRICSW m = {};
  m.cbSize = sizeof m;
  FontSpec spec;
  spec.name = u"MS Shell Dlg 2";
  spec.points = 8;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0)) {
    const LOGFONTW& f = m.lfMessageFont;
    spec.name = String(f.lfFaceName, f.lfFaceName + lstrlenW(f.lfFaceName));
    int h = f.lfHeight < 0 ? -f.lfHeight : f.lfHeight;
    if (h > 0) spec.points = int32_t(std::lround(h * 72.0 / screen_dpi()));
    spec.weight = f.lfWeight ? f.lfWeight : 400;
  }
  return spec;
}

bool Win32Gui::font_family_exists(StringView name) {
  LOGFONTW lf = {};
  lf.lfCharSet = DEFAULT_CHARSET;
  std::wstring n;
  lstrcpynW(lf.lfFaceName, wide(name, n), LF_FACESIZE);
  bool found = false;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExW(dc, &lf, any_family, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, dc);
  return found;
}

FontHandle Win32Gui::create_font(const FontSpec& spec) {
  std::wstring n;
  HFONT f = CreateFontW(-MulDiv(spec.points, screen_dpi(), 72), 0, 0, 0, spec.weight, spec.italic, spec.underline,
                        spec.strike, DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, DWORD(spec.quality),
                        FF_DONTCARE, wide(spec.name, n));
  return reinterpret_cast<FontHandle>(f);
}

void Win32Gui::destroy_font(FontHandle font) { DeleteObject(reinterpret_cast<HFONT>(font)); }

FontMetrics Win32Gui::metrics(FontHandle font) {
  static std::map<FontHandle, FontMetrics> known;
  if (auto it = known.find(font); it != known.end()) return it->second;
  HDC dc = measure_dc();
  HGDIOBJ old = SelectObject(dc, font_or_default(font));
  TEXTMETRICW tm = {};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  FontMetrics m;
  m.height = tm.tmHeight;
  m.external_leading = tm.tmExternalLeading;
  m.average_width = tm.tmAveCharWidth;
  // Fonts live until the program ends, so a handle never comes to mean another font.
  known[font] = m;
  return m;
}

void Win32Gui::measure(FontHandle font, StringView text, int32_t wrap_width, int32_t& width, int32_t& height) {
  HDC dc = measure_dc();
  HGDIOBJ old = SelectObject(dc, font_or_default(font));
  std::wstring t;
  wide(text, t);
  RECT r = {0, 0, wrap_width > 0 ? wrap_width : 0, 0};
  UINT flags = DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX | (wrap_width > 0 ? DT_WORDBREAK : 0);
  DrawTextW(dc, t.c_str(), int(t.size()), &r, flags);
  SelectObject(dc, old);
  width = r.right - r.left;
  height = r.bottom - r.top;
}

void Win32Gui::set_font(WindowHandle window, FontHandle font, bool redraw) {
  SendMessageW(hw(window), WM_SETFONT, reinterpret_cast<WPARAM>(font_or_default(font)), redraw);
}

int32_t Win32Gui::dpi() { return screen_dpi(); }

GuiSystem::Measures Win32Gui::measures() {
  Measures m;
  m.check_mark = GetSystemMetrics(SM_CXMENUCHECK);
  m.edge = GetSystemMetrics(SM_CXEDGE);
  m.vscroll_width = GetSystemMetrics(SM_CXVSCROLL);
  m.hscroll_height = GetSystemMetrics(SM_CYHSCROLL);
  return m;
}

int32_t Win32Gui::check_state(WindowHandle control) {
  LRESULT s = SendMessageW(hw(control), BM_GETCHECK, 0, 0);
  return s == BST_CHECKED ? 1 : s == BST_INDETERMINATE ? 2 : 0;
}

void Win32Gui::set_check_state(WindowHandle control, int32_t state) {
  SendMessageW(hw(control), BM_SETCHECK, state == 2 ? BST_INDETERMINATE : state ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32Gui::list_clear(WindowHandle control, ListKind kind) {
  SendMessageW(hw(control), kind == ListKind::ListBox ? LB_RESETCONTENT : CB_RESETCONTENT, 0, 0);
}

int32_t Win32Gui::list_add(WindowHandle control, ListKind kind, StringView text) {
  std::wstring t;
  LRESULT r = SendMessageW(hw(control), kind == ListKind::ListBox ? LB_ADDSTRING : CB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(wide(text, t)));
  return r < 0 ? -1 : int32_t(r);
}

int32_t Win32Gui::list_count(WindowHandle control, ListKind kind) {
  LRESULT r = SendMessageW(hw(control), kind == ListKind::ListBox ? LB_GETCOUNT : CB_GETCOUNT, 0, 0);
  return r < 0 ? 0 : int32_t(r);
}

String Win32Gui::list_text(WindowHandle control, ListKind kind, int32_t index) {
  bool lb = kind == ListKind::ListBox;
  LRESULT n = SendMessageW(hw(control), lb ? LB_GETTEXTLEN : CB_GETLBTEXTLEN, WPARAM(index), 0);
  if (n < 0) return String();
  std::wstring buf(size_t(n) + 1, L'\0');
  n = SendMessageW(hw(control), lb ? LB_GETTEXT : CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(buf.data()));
  if (n < 0) return String();
  return String(buf.begin(), buf.begin() + n);
}

int32_t Win32Gui::list_selection(WindowHandle control, ListKind kind) {
  HWND h = hw(control);
  if (kind == ListKind::ListBox && (GetWindowLongW(h, GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_MULTIPLESEL))) {
    // A list that selects several answers with the item that has the caret.
    LRESULT caret = SendMessageW(h, LB_GETCARETINDEX, 0, 0);
    return caret >= 0 && SendMessageW(h, LB_GETSEL, WPARAM(caret), 0) > 0 ? int32_t(caret) : -1;
  }
  LRESULT r = SendMessageW(h, kind == ListKind::ListBox ? LB_GETCURSEL : CB_GETCURSEL, 0, 0);
  return r < 0 ? -1 : int32_t(r);
}

void Win32Gui::list_selections(WindowHandle control, std::vector<int32_t>& out) {
  out.clear();
  HWND h = hw(control);
  if (!(GetWindowLongW(h, GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_MULTIPLESEL))) {
    LRESULT r = SendMessageW(h, LB_GETCURSEL, 0, 0);
    if (r >= 0) out.push_back(int32_t(r));
    return;
  }
  LRESULT n = SendMessageW(h, LB_GETSELCOUNT, 0, 0);
  if (n <= 0) return;
  std::vector<INT> items(static_cast<size_t>(n));
  n = SendMessageW(h, LB_GETSELITEMS, WPARAM(n), reinterpret_cast<LPARAM>(items.data()));
  for (LRESULT i = 0; i < n; ++i) out.push_back(items[size_t(i)]);
}

bool Win32Gui::list_select(WindowHandle control, ListKind kind, int32_t index, bool multi) {
  HWND h = hw(control);
  if (kind == ListKind::ListBox && multi) return SendMessageW(h, LB_SETSEL, index >= 0, LPARAM(index)) != LB_ERR;
  LRESULT r = SendMessageW(h, kind == ListKind::ListBox ? LB_SETCURSEL : CB_SETCURSEL, WPARAM(index), 0);
  return index < 0 || r != (kind == ListKind::ListBox ? LB_ERR : CB_ERR);
}

int32_t Win32Gui::list_find_prefix(WindowHandle control, ListKind kind, StringView prefix, int32_t after) {
  std::wstring t;
  LRESULT r = SendMessageW(hw(control), kind == ListKind::ListBox ? LB_FINDSTRING : CB_FINDSTRING, WPARAM(after),
                           reinterpret_cast<LPARAM>(wide(prefix, t)));
  return r < 0 ? -1 : int32_t(r);
}

void Win32Gui::set_edit_limit(WindowHandle control, int32_t characters) {
  HWND h = hw(control);
  wchar_t cls[16] = {};
  GetClassNameW(h, cls, 16);
  SendMessageW(h, lstrcmpiW(cls, L"ComboBox") == 0 ? CB_LIMITTEXT : EM_LIMITTEXT, WPARAM(characters), 0);
}

bool Win32Gui::set_picture(WindowHandle control, StringView file, int32_t icon_number, int32_t& width,
                           int32_t& height) {
  HWND h = hw(control);
  std::wstring path;
  wide(file, path);
  HANDLE image = nullptr;
  UINT type = IMAGE_BITMAP;
  bool icon_file = ends_with_folded(file, u".ico") || ends_with_folded(file, u".cur") || ends_with_folded(file, u".ani");
  bool module = ends_with_folded(file, u".exe") || ends_with_folded(file, u".dll") || ends_with_folded(file, u".icl") ||
                ends_with_folded(file, u".cpl");
  if (icon_file || module || icon_number) {
    type = IMAGE_ICON;
    int size = width > 0 ? width : height > 0 ? height : GetSystemMetrics(SM_CXICON);
    if (icon_file && !icon_number)
      image = LoadImageW(nullptr, path.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE);
    else
      image = load_file_icon(path, icon_number ? icon_number : 1, size);
    if (image) width = height = size;
  } else {
    if (ends_with_folded(file, u".bmp")) image = LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    if (!image) image = load_with_gdiplus(path);
    if (image) {
      BITMAP bm = {};
      GetObjectW(image, sizeof bm, &bm);
      int w = width, hgt = height;
      // 0 or -1 on one side keeps the picture's proportions; on both, its own size.
      if (w <= 0 && hgt <= 0) w = bm.bmWidth, hgt = bm.bmHeight;
      else if (w <= 0) w = bm.bmHeight ? MulDiv(hgt, bm.bmWidth, bm.bmHeight) : hgt;
      else if (hgt <= 0) hgt = bm.bmWidth ? MulDiv(w, bm.bmHeight, bm.bmWidth) : w;
      if (w != bm.bmWidth || hgt != bm.bmHeight) {
        HANDLE scaled = CopyImage(image, IMAGE_BITMAP, w, hgt, LR_COPYDELETEORG);
        if (scaled) image = scaled;
      }
      width = w;
      height = hgt;
    }
  }
  if (!image) return false;
  LONG style = GetWindowLongW(h, GWL_STYLE) & ~(SS_TYPEMASK);
  SetWindowLongW(h, GWL_STYLE, style | (type == IMAGE_ICON ? SS_ICON : SS_BITMAP) | SS_REALSIZECONTROL);
  HANDLE old = reinterpret_cast<HANDLE>(SendMessageW(h, STM_SETIMAGE, type, reinterpret_cast<LPARAM>(image)));
  ControlState& s = controls[h];
  if (s.image && s.image != old) old = s.image;
  if (old && old != image) {
    if (s.image_type == IMAGE_ICON) DestroyIcon(static_cast<HICON>(old));
    else DeleteObject(old);
  }
  s.image = image;
  s.image_type = type;
  SetWindowPos(h, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

void Win32Gui::tab_clear(WindowHandle control) { SendMessageW(hw(control), TCM_DELETEALLITEMS, 0, 0); }

void Win32Gui::tab_add(WindowHandle control, StringView text) {
  std::wstring t;
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<wchar_t*>(wide(text, t));
  int n = int(SendMessageW(hw(control), TCM_GETITEMCOUNT, 0, 0));
  SendMessageW(hw(control), TCM_INSERTITEMW, WPARAM(n), reinterpret_cast<LPARAM>(&item));
}

int32_t Win32Gui::tab_count(WindowHandle control) { return int32_t(SendMessageW(hw(control), TCM_GETITEMCOUNT, 0, 0)); }

String Win32Gui::tab_text(WindowHandle control, int32_t index) {
  wchar_t buf[512] = {};
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  item.pszText = buf;
  item.cchTextMax = 512;
  if (!SendMessageW(hw(control), TCM_GETITEMW, WPARAM(index), reinterpret_cast<LPARAM>(&item))) return String();
  return String(buf, buf + lstrlenW(buf));
}

int32_t Win32Gui::tab_selection(WindowHandle control) { return int32_t(SendMessageW(hw(control), TCM_GETCURSEL, 0, 0)); }

void Win32Gui::tab_select(WindowHandle control, int32_t index) { SendMessageW(hw(control), TCM_SETCURSEL, WPARAM(index), 0); }

bool Win32Gui::tab_display_rect(WindowHandle control, WindowRect& out) {
  HWND h = hw(control);
  RECT r;
  if (!GetWindowRect(h, &r)) return false;
  MapWindowPoints(HWND_DESKTOP, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
  SendMessageW(h, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  out = {r.left, r.top, r.right - r.left, r.bottom - r.top};
  return true;
}

}  // namespace orv::platform
