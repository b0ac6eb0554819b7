// What the rest of the program asks of the script's menus: running a chosen
// item, the tray icon's clicks, and showing a menu.
#pragma once

#include <cstdint>
#include <optional>

#include "gui/menu_records.h"

namespace orv {

// Hands the message pump the routine that runs chosen items.
void install_menus();

// Runs the item with this id as a new thread; `window` is the GUI window
// whose menu bar it belongs to (0: none). Ids of no item are ignored.
void launch_menu_item(uintptr_t window, uint16_t id);

// A mouse message from the tray icon: a click or double click runs the tray
// menu's default item, a right click shows the tray menu.
void on_tray_notify(intptr_t mouse_message);

// Shows the menu as a pop-up; a missing coordinate is the mouse's. Given
// ones follow the thread's CoordMode for menus. The chosen item's thread
// starts before this returns.
void show_menu(ScriptMenu& menu, std::optional<int32_t> x, std::optional<int32_t> y);

// The tray icon's tip: at most 127 characters, never half a surrogate pair;
// empty for the default.
void set_tray_tip_text(StringView tip);

}  // namespace orv
