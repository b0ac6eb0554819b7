// The system's menus, built from the records: made when first needed, then
// rewritten on every change so that their handles stay good.
#pragma once

#include <vector>

#include "gui/menu_records.h"

namespace orv {

// The menu's system menu of that kind, made (or made again for another
// kind) with all its entries.
platform::MenuHandle system_menu(ScriptMenu& menu, MenuKind kind);
inline platform::MenuHandle system_menu(ScriptMenu& menu) { return system_menu(menu, menu.kind); }
// Rewrites the system menu, if the menu has one, and redraws the menu bars
// that show it.
void menu_changed(ScriptMenu& menu);
void destroy_system_menu(ScriptMenu& menu);
// The entries the system menu shows: the standard block and the items.
void menu_entries(const ScriptMenu& menu, std::vector<platform::MenuEntry>& out);

}  // namespace orv
