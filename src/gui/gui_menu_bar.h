// Gui Menu: a script menu shown as a window's menu bar, with the keys its
// items name after a tab ("&Save`tCtrl+S") choosing them.
#pragma once

#include "base/result.h"
#include "base/text.h"
#include "gui/gui_window.h"

namespace orv {

// Attaches the named menu (empty: removes the bar). Reports its own errors.
Result set_gui_menu_bar(GuiWindow& gui, StringView menu_name);
// The window lets go of its menu bar, which lives on (before Destroy).
void detach_gui_menu_bar(GuiWindow& gui);
// The menu changed: its items' keys are read again for the windows that
// show it.
void refresh_menu_bar_keys(platform::WindowHandle window);

}  // namespace orv
