// Events of script windows: what the window procedure reports becomes a
// queued event message, and the message pump turns each into a thread
// running the window's or the control's handler.
#pragma once

#include <cstdint>

#include "gui/gui_window.h"

namespace orv {

// Event kinds of the queued message.
enum class GuiEventKind : uint8_t { Control = 1, DropFiles = 5, Close = 6, Escape = 7, Size = 8, ContextMenu = 9 };

// Control event names by number: 1 Normal, 2 DoubleClick, 3 RightClick,
// 4 ColClick; anything else is a character code.
void post_control_event(GuiWindow& gui, GuiControl& control, uint32_t event, int64_t info);

// Hooks the window procedure's reports and the pump's launcher up.
void install_gui();

}  // namespace orv
