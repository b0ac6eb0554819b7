// Gui Submit: every control's value into its variable.
#pragma once

#include "base/result.h"
#include "gui/gui_window.h"

namespace orv {

Result submit_gui(GuiWindow& gui);

// The radio buttons of the group `index` belongs to, as [first, last].
void radio_group(GuiWindow& gui, size_t index, size_t& first, size_t& last);

}  // namespace orv
