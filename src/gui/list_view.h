// List views of script windows: what Gui Add sets up, the options of rows
// and columns the LV_ functions take, and sorting by a column.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "gui/control_options.h"
#include "gui/gui_window.h"

namespace orv {

// Columns from the Add text (split by the window's delimiter), the list
// view's own styles and the rows made ahead.
void set_up_list_view(GuiWindow& gui, GuiControl& c, const ControlOptions& o, StringView text);

// The row for apply_row_options that only reads the ColN option.
inline constexpr int32_t kOnlyColumn = -2;

// Applies the options of LV_Add/LV_Insert/LV_Modify to a row (-1: every
// row); `first_column` receives a ColN option (from 0, default 0). False
// when an option is not understood.
bool apply_row_options(GuiControl& c, int32_t row, StringView options, int32_t& first_column);

// Applies the options of LV_InsertCol/LV_ModifyCol to a column; `width`
// and `align` receive what the options ask of the system (kWidthKeep and
// ColumnAlign::Keep when nothing). False when an option is not understood.
bool parse_column_options(StringView options, ListViewColumn& column, int32_t& width,
                          platform::ColumnAlign& align, bool& sort, bool& sort_desc);

// Sorts the rows by the column's cells, up or down; their states go with them.
void sort_list_view(GuiControl& c, int32_t column, bool desc);

// A header click: sorts by the column unless the list view or the column
// says not to, the other way round when it was the last column sorted.
void sort_on_header_click(GuiControl& c, int32_t column);

}  // namespace orv
