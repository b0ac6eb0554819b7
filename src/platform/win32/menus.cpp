// The script's menus as real menus: built entry by entry, shown with
// MainWindow as their owner so that a chosen item comes back to it as a
// command.
#include <windows.h>

#include <map>

#include "platform/menus.h"
#include "platform/win32/icons.h"
#include "platform/win32/wide_text.h"

namespace orv::platform {

namespace {

HMENU as_menu(MenuHandle h) { return reinterpret_cast<HMENU>(h); }

class Win32Menus final : public MenuSystem {
 public:
  MenuHandle create(bool bar) override {
    return reinterpret_cast<MenuHandle>(bar ? CreateMenu() : CreatePopupMenu());
  }

  void destroy(MenuHandle menu) override {
    HMENU m = as_menu(menu);
    if (!IsMenu(m)) return;
    clear(m);  // the submenus belong to their own records
    DestroyMenu(m);
    drop_brush(menu);
  }

  bool exists(MenuHandle menu) override { return IsMenu(as_menu(menu)) != 0; }

  bool set_entries(MenuHandle menu, const std::vector<MenuEntry>& entries) override {
    HMENU m = as_menu(menu);
    if (!IsMenu(m)) return false;
    clear(m);
    bool ok = true;
    UINT pos = 0;
    for (const MenuEntry& e : entries) {
      std::wstring text;
      MENUITEMINFOW mi = {};
      mi.cbSize = sizeof mi;
      mi.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID;
      mi.wID = e.id;
      if (e.separator) mi.fType |= MFT_SEPARATOR;
      if (e.radio) mi.fType |= MFT_RADIOCHECK;
      if (e.right) mi.fType |= MFT_RIGHTJUSTIFY;
      if (e.column_break) mi.fType |= MFT_MENUBREAK;
      if (e.bar_break) mi.fType |= MFT_MENUBARBREAK;
      if (e.checked) mi.fState |= MFS_CHECKED;
      if (e.disabled) mi.fState |= MFS_DISABLED;
      if (e.is_default) mi.fState |= MFS_DEFAULT;
      if (!e.separator) {
        mi.fMask |= MIIM_STRING;
        mi.dwTypeData = const_cast<wchar_t*>(wide(e.text, text));
      }
      if (e.submenu) {
        mi.fMask |= MIIM_SUBMENU;
        mi.hSubMenu = as_menu(e.submenu);
      }
      if (e.bitmap) {
        mi.fMask |= MIIM_BITMAP;
        mi.hbmpItem = reinterpret_cast<HBITMAP>(e.bitmap);
      }
      ok &= InsertMenuItemW(m, pos++, TRUE, &mi) != 0;
    }
    return ok;
  }

  bool entries(MenuHandle menu, std::vector<MenuEntry>& out) override {
    out.clear();
    HMENU m = as_menu(menu);
    int count = GetMenuItemCount(m);
    if (count < 0) return false;
    for (int i = 0; i < count; ++i) {
      wchar_t text[512] = {};
      MENUITEMINFOW mi = {};
      mi.cbSize = sizeof mi;
      mi.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU | MIIM_BITMAP;
      mi.dwTypeData = text;
      mi.cch = 511;
      if (!GetMenuItemInfoW(m, UINT(i), TRUE, &mi)) return false;
      MenuEntry e;
      e.separator = mi.fType & MFT_SEPARATOR;
      if (!e.separator) e.text.assign(text, text + mi.cch);
      e.id = uint16_t(mi.wID);
      e.submenu = reinterpret_cast<MenuHandle>(mi.hSubMenu);
      e.bitmap = reinterpret_cast<BitmapHandle>(mi.hbmpItem);
      e.radio = mi.fType & MFT_RADIOCHECK;
      e.right = mi.fType & MFT_RIGHTJUSTIFY;
      e.column_break = mi.fType & MFT_MENUBREAK;
      e.bar_break = mi.fType & MFT_MENUBARBREAK;
      e.checked = mi.fState & MFS_CHECKED;
      e.disabled = mi.fState & MFS_DISABLED;
      e.is_default = mi.fState & MFS_DEFAULT;
      out.push_back(std::move(e));
    }
    return true;
  }

  void set_look(MenuHandle menu, const MenuLook& look) override {
    MENUINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = MIM_BACKGROUND | (look.to_submenus ? MIM_APPLYTOSUBMENUS : 0);
    HBRUSH brush = nullptr;
    if (look.has_color) {
      uint32_t c = look.rgb;
      brush = CreateSolidBrush(RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF));
    }
    info.hbrBack = brush;
    SetMenuInfo(as_menu(menu), &info);
    drop_brush(menu);
    if (brush) brushes_[menu] = brush;
  }

  void redraw_bar(WindowHandle window) override { DrawMenuBar(reinterpret_cast<HWND>(window)); }

  void show_popup(MenuHandle menu, int32_t x, int32_t y) override {
    HWND main = reinterpret_cast<HWND>(main_window());
    HWND before = GetForegroundWindow();
    bool foreign = !before || GetWindowThreadProcessId(before, nullptr) != GetCurrentThreadId();
    if (foreign) {
      // A menu of a window that is not in front closes at once.
      SetForegroundWindow(main);
      if (GetForegroundWindow() != main) {
        Sleep(10);
        SetForegroundWindow(main);
      }
    }
    TrackPopupMenuEx(as_menu(menu), TPM_LEFTALIGN | TPM_LEFTBUTTON, x, y, main, nullptr);
    if (foreign && before && GetForegroundWindow() == main) SetForegroundWindow(before);
  }

  bool cursor_position(int32_t& x, int32_t& y) override {
    POINT p;
    if (!GetCursorPos(&p)) return false;
    x = p.x;
    y = p.y;
    return true;
  }

  bool active_frame(ActiveFrame& out) override {
    HWND w = GetForegroundWindow();
    RECT r;
    if (!w || !GetWindowRect(w, &r)) return false;
    POINT origin = {0, 0};
    ClientToScreen(w, &origin);
    out.x = r.left;
    out.y = r.top;
    out.client_x = origin.x;
    out.client_y = origin.y;
    out.minimized = IsIconic(w) != 0;
    return true;
  }

  BitmapHandle load_icon_bitmap(StringView file, int32_t number, int32_t width) override {
    int size = width > 0 ? width : GetSystemMetrics(SM_CXSMICON);
    std::wstring path;
    HICON icon = load_file_icon(wide(file, path), number, size);
    if (!icon) return 0;
    HBITMAP bmp = icon_to_bitmap(icon, size);
    DestroyIcon(icon);
    return reinterpret_cast<BitmapHandle>(bmp);
  }

  void free_bitmap(BitmapHandle bitmap) override { DeleteObject(reinterpret_cast<HBITMAP>(bitmap)); }

 private:
  std::map<MenuHandle, HBRUSH> brushes_;

  static void clear(HMENU m) {
    for (int i = GetMenuItemCount(m); i-- > 0;) RemoveMenu(m, UINT(i), MF_BYPOSITION);
  }

  void drop_brush(MenuHandle menu) {
    auto it = brushes_.find(menu);
    if (it == brushes_.end()) return;
    DeleteObject(it->second);
    brushes_.erase(it);
  }
};

}  // namespace

MenuSystem& menu_system() {
  static Win32Menus menus;
  return menus;
}

}  // namespace orv::platform
