// The system's menus, as the script's menus are built into them: a menu is
// a handle holding a list of entries, which the program rewrites whole
// whenever the script changes the menu, so the handle a script was given
// stays good. The base class keeps menus as plain records, which is what
// the headless host offers (and what unit tests read back); the Win32
// implementation makes real menus and shows them.
#pragma once

#include <cstdint>
#include <vector>

#include "base/text.h"
#include "platform/platform.h"

namespace orv::platform {

using MenuHandle = uintptr_t;
using BitmapHandle = uintptr_t;

struct MenuEntry {
  String text;  // with its "&" mnemonic marks; ignored for a separator
  uint16_t id = 0;
  MenuHandle submenu = 0;
  BitmapHandle bitmap = 0;
  bool separator = false, checked = false, disabled = false, radio = false, right = false;
  bool column_break = false, bar_break = false;
  bool is_default = false;  // drawn bold; at most one per menu
};

struct MenuLook {
  bool has_color = false;
  uint32_t rgb = 0;             // 0xRRGGBB
  bool to_submenus = false;     // the colour reaches the submenus too
};

class MenuSystem {
 public:
  virtual ~MenuSystem() = default;

  // A pop-up menu, or one made to be a window's menu bar.
  virtual MenuHandle create(bool bar);
  // Destroys the menu but none of the menus its entries open.
  virtual void destroy(MenuHandle menu);
  virtual bool exists(MenuHandle menu);
  // Replaces every entry; the menus the old entries opened stay as they are.
  virtual bool set_entries(MenuHandle menu, const std::vector<MenuEntry>& entries);
  virtual bool entries(MenuHandle menu, std::vector<MenuEntry>& out);
  virtual void set_look(MenuHandle menu, const MenuLook& look);
  // Draws a window's menu bar again after its menu changed.
  virtual void redraw_bar(WindowHandle window) {}

  // Shows the menu as a pop-up at a screen position and returns when it
  // closes; a chosen entry reaches MainWindow as a command message with the
  // entry's id. MainWindow comes to the front for it when the foreground
  // window is another thread's, and gives the front back afterwards.
  virtual void show_popup(MenuHandle menu, int32_t x, int32_t y) {}
  virtual bool cursor_position(int32_t& x, int32_t& y) { return false; }
  // The active window's position and client origin on the screen, and
  // whether it is minimised; false when there is none.
  struct ActiveFrame {
    int32_t x = 0, y = 0, client_x = 0, client_y = 0;
    bool minimized = false;
  };
  virtual bool active_frame(ActiveFrame& out) { return false; }

  // An icon of a file (number from 1; negative: a resource id) drawn as a
  // 32-bit bitmap `width` pixels wide (0: the system's small-icon size);
  // 0 when it cannot be loaded.
  virtual BitmapHandle load_icon_bitmap(StringView file, int32_t number, int32_t width) { return 0; }
  virtual void free_bitmap(BitmapHandle bitmap) {}

 private:
  struct Record {
    MenuHandle handle;
    std::vector<MenuEntry> entries;
  };
  std::vector<Record> records_;
  MenuHandle next_ = 0x1000;
  Record* find(MenuHandle menu);
};

MenuSystem& menu_system();

// --- the tray icon, beyond what MainWindow sets up -------------------------------
// The tip shown over the tray icon (at most 127 characters).
void set_tray_tip(StringView tip);
// A custom icon from a file (number as for load_icon_bitmap); an empty file
// goes back to the built-in icon. False when the file has no such icon.
// `full_path` receives the file's full path.
bool set_tray_icon_file(StringView file, int32_t number, String& full_path);
// Frozen: a custom icon stays as it is when the script pauses or suspends.
void set_tray_icon_frozen(bool frozen);
// Removes the icon from the tray, or puts it back.
void set_tray_icon_visible(bool visible);

}  // namespace orv::platform
