// The items of list boxes and combo boxes (one set of calls for both: the
// class name picks the messages) and the lines of edit controls.
#pragma once

#include <cstdint>

#include "windows/control_names.h"

namespace orv {

// The zero-based index of the item equal to `text` (case-insensitively); -1 none.
intptr_t find_item(WindowHandle c, StringView text);
// The selected item's index; -1 none.
intptr_t selected_item(WindowHandle c);
bool item_text(WindowHandle c, intptr_t index, String& out);
// Every item, one a line.
bool all_items(WindowHandle c, String& out);

bool add_item(WindowHandle c, StringView text);
bool delete_item(WindowHandle c, intptr_t index);
// Selects an item, by index or by the start of its text, and tells the
// parent as a user's choice would.
bool choose_item(WindowHandle c, intptr_t index);
bool choose_item_text(WindowHandle c, StringView text);

// Line `n` (one-based) of an edit control; false past the last line.
bool edit_line(WindowHandle c, int64_t n, String& out);

}  // namespace orv
