// Tab controls: their pages, which page the controls added next go to
// (Gui Tab), and showing each page's controls while it is chosen.
#pragma once

#include "base/result.h"
#include "base/text.h"
#include "gui/gui_window.h"

namespace orv {

inline bool is_tab_type(ControlType t) {
  return t == ControlType::Tab || t == ControlType::Tab2 || t == ControlType::Tab3;
}

// Sets the pages from a list as list controls take theirs ("A|B||C").
void fill_tabs(GuiWindow& gui, GuiControl& tab, StringView text);
// Shows the chosen page's controls and hides the other pages' ones.
void show_tab_page(GuiWindow& gui, GuiControl& tab);
// Chooses page `n` (from 1), or the first whose name starts with `text`
// (is `text`, with `exact`); false when there is none.
bool choose_tab(GuiWindow& gui, GuiControl& tab, int32_t n, StringView text, bool by_text, bool exact);
// The tab control of that number (from 0) in the window, or null.
GuiControl* tab_control_number(GuiWindow& gui, uint8_t number);
// Gui Tab: the page (and tab control) later controls go to; no page ends
// the tab section. Reports its own errors.
Result gui_tab_command(GuiWindow& gui, StringView page, StringView tab_number, StringView exact);
// A control about to be added to the current page: the first control of a
// page starts at the page's corner, one margin in.
void prepare_tab_placement(GuiWindow& gui);

}  // namespace orv
