// The script's menus: named lists of items that run a label or function or
// open another menu. The records are the truth; the system's menus are
// built from them (gui/menu_build.h) whenever they change. One menu, Tray,
// always exists: the tray icon's context menu.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "base/text.h"
#include "events/callable.h"
#include "platform/menus.h"

namespace orv {

struct ScriptMenu;

inline constexpr size_t kMaxMenuNameLength = 260;
// Ids of the standard items, shared with MainWindow's command handling.
inline constexpr uint16_t kFirstItemId = 11003, kStandardItemIds = 65300;
enum StandardItemId : uint16_t { StdOpen = 65300, StdSuspend = 65305, StdPause = 65306, StdExit = 65307 };

struct ScriptMenuItem {
  String name;  // empty: a separator line
  Callable callable;
  ScriptMenu* submenu = nullptr;
  uint16_t id = 0;
  int32_t priority = 0;
  bool checked = false, disabled = false;
  bool radio = false, right = false, column_break = false, bar_break = false;
  platform::BitmapHandle icon = 0;

  bool separator() const { return name.empty(); }
  ScriptMenuItem() = default;
  ScriptMenuItem(const ScriptMenuItem&) = delete;
  ScriptMenuItem& operator=(const ScriptMenuItem&) = delete;
  ~ScriptMenuItem();
};

enum class MenuKind : uint8_t { Popup = 1, Bar = 2 };

struct ScriptMenu {
  String name;
  std::vector<std::unique_ptr<ScriptMenuItem>> items;
  ScriptMenuItem* default_item = nullptr;
  // The standard items, shown as a block before item `standard_at`.
  bool standard = false;
  size_t standard_at = 0;
  MenuKind kind = MenuKind::Popup;
  platform::MenuLook look;
  bool look_set = false;  // Color was used: otherwise a parent's colour may reach it
  int32_t tray_clicks = 2;  // clicks on the tray icon that run the default item
  platform::MenuHandle handle = 0;  // made when first needed
  // The GUI windows that have this menu as their menu bar.
  std::vector<platform::WindowHandle> bar_windows;

  bool is_tray() const;
  size_t index_of(const ScriptMenuItem* item) const;
};

// Every way a menu command can fail, each with its message.
enum class MenuError : uint8_t {
  None, MenuMissing, MenuNameTooLong, ItemMissing, ItemNameTooLong, TooManyItems, SubmenuMissing,
  SubmenuContainsParent, TargetMissing, RenameFailed, CantLoadIcon, TrayUndeletable, MenuInUse, ItemsInUse,
  TrayOnly, Param3Blank, ParamInvalid2,
};
StringView menu_error_text(MenuError error);

// What an item does when chosen: a callable, or a submenu, or nothing.
struct MenuTarget {
  Callable callable;
  ScriptMenu* submenu = nullptr;
  bool given = false;  // false: an existing item keeps its own
};

// Options words: each field is -1 (not given), 0 (cleared) or 1 (set).
struct MenuItemOptions {
  int8_t radio = -1, right = -1, column_break = -1, bar_break = -1;
  bool has_priority = false;
  int32_t priority = 0;
};
MenuItemOptions parse_menu_item_options(StringView text);

// All menus in creation order; Tray is the first.
std::vector<std::unique_ptr<ScriptMenu>>& script_menus();
ScriptMenu& tray_menu();
ScriptMenu* find_menu(StringView name);
MenuError create_menu(StringView name, ScriptMenu*& out);
// The menu whose system menu is `handle`.
ScriptMenu* find_menu_by_handle(platform::MenuHandle handle);
// The item with this id in any menu, and its menu.
ScriptMenuItem* find_item_by_id(uint16_t id, ScriptMenu** menu = nullptr);

// An item named as scripts name them: its name, or its position as "N&".
// `index` receives its position from 0.
ScriptMenuItem* find_item(ScriptMenu& menu, StringView spec, size_t* index = nullptr);
// Whether the text names a position (N&); `index` from 0.
bool item_position(StringView spec, size_t& index);

// Add: a new item at the end or, for an item of that name, new target and
// options; an empty name adds a separator.
MenuError add_item(ScriptMenu& menu, StringView name, const MenuTarget& target, const MenuItemOptions& options);
// Insert before `before` (empty: at the end).
MenuError insert_item(ScriptMenu& menu, StringView before, StringView name, const MenuTarget& target,
                      const MenuItemOptions& options);
MenuError rename_item(ScriptMenu& menu, StringView spec, StringView new_name);
MenuError delete_item(ScriptMenu& menu, StringView spec);
MenuError delete_all_items(ScriptMenu& menu);
// Deletes the whole menu (never Tray, never one a window shows).
MenuError delete_menu(ScriptMenu& menu);
void set_standard(ScriptMenu& menu, bool on);
// Whether `menu` is `parent` or opens it through its submenus.
bool menu_contains(const ScriptMenu& menu, const ScriptMenu& parent);
// The next free item id; 0 when every one is taken.
uint16_t next_item_id();

// Whether the script lets the user open MainWindow (MainWindow,
// NoMainWindow): the standard items then begin with Open.
extern bool g_main_window_allowed;

}  // namespace orv
