// Where a new control goes and how large it is, from its options, the
// window's margins, the previous control and the section, with sizes
// measured from the control's text in the window's font.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "gui/control_options.h"
#include "gui/gui_window.h"

namespace orv {

struct ControlRect {
  int32_t x = 0, y = 0, w = 0, h = 0;
};

// Sets the window's margins if they are still unset (from its font).
void settle_margins(GuiWindow& gui);

// `natural_w` and `natural_h` are a picture's own size (0 when unknown).
ControlRect place_control(GuiWindow& gui, ControlType type, StringView text, const ControlOptions& options,
                          uint32_t style, int32_t natural_w = 0, int32_t natural_h = 0);

// The control is made: it becomes the previous control, and the section
// and the extent AutoSize covers take it in.
void note_placed(GuiWindow& gui, ControlType type, const ControlRect& r, bool starts_section, bool in_tab);

// The height of `rows` rows of text of the control type in the window's font.
int32_t rows_height(const GuiWindow& gui, ControlType type, double rows, uint32_t style);

}  // namespace orv
