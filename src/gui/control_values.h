// What a control holds as the script sees it: how a text sets a control's
// contents (Gui Add's text, GuiControl without a sub-command) and how its
// value is read back (Submit, GuiControlGet).
#pragma once

#include "base/result.h"
#include "base/text.h"
#include "gui/gui_window.h"

namespace orv {

// Sets the contents. For lists the text is items separated by the window's
// delimiter: a leading delimiter replaces the list instead of adding to
// it, and a doubled delimiter after an item selects that item. False when
// a picture cannot be loaded.
bool set_control_contents(GuiWindow& gui, GuiControl& control, StringView text, bool adding);

// The value Submit stores (`for_submit`) or GuiControlGet reads. False for
// the controls Submit stores nothing from.
bool read_control_value(GuiWindow& gui, GuiControl& control, bool for_submit, String& out);

// Selects item `n` (from 1) of a list, or with `by_text` the first whose
// text starts with `text`; false when there is no such item.
bool choose_item(GuiControl& control, int32_t n, StringView text, bool by_text);

// Edit controls keep line breaks as CR LF; scripts see LF.
String to_control_breaks(StringView text);
String from_control_breaks(StringView text);

}  // namespace orv
