// The list views and status bars of the headless host: rows of cells with
// their states, columns of fixed widths, and the parts of a status bar.
#include "platform/gui_system.h"

namespace orv::platform {

namespace {

bool in_range(int32_t i, size_t n) { return i >= 0 && size_t(i) < n; }

}  // namespace

int32_t GuiSystem::lv_insert_row(WindowHandle control, int32_t row, StringView text) {
  Record* r = find(control);
  if (!r) return -1;
  if (row < 0 || size_t(row) > r->rows.size()) row = int32_t(r->rows.size());
  r->rows.insert(r->rows.begin() + row, std::vector<String>{String(text)});
  r->row_states.insert(r->row_states.begin() + row, 0);
  return row;
}

bool GuiSystem::lv_delete_row(WindowHandle control, int32_t row) {
  Record* r = find(control);
  if (!r) return false;
  if (row < 0) {
    r->rows.clear();
    r->row_states.clear();
    return true;
  }
  if (!in_range(row, r->rows.size())) return false;
  r->rows.erase(r->rows.begin() + row);
  r->row_states.erase(r->row_states.begin() + row);
  return true;
}

int32_t GuiSystem::lv_row_count(WindowHandle control) {
  Record* r = find(control);
  return r ? int32_t(r->rows.size()) : 0;
}

bool GuiSystem::lv_set_text(WindowHandle control, int32_t row, int32_t column, StringView text) {
  Record* r = find(control);
  if (!r || !in_range(row, r->rows.size()) || column < 0) return false;
  // The system keeps no text for a column that does not exist.
  if (column > 0 && size_t(column) >= r->headers.size()) return false;
  std::vector<String>& cells = r->rows[size_t(row)];
  if (cells.size() <= size_t(column)) cells.resize(size_t(column) + 1);
  cells[size_t(column)] = String(text);
  return true;
}

String GuiSystem::lv_text(WindowHandle control, int32_t row, int32_t column) {
  Record* r = find(control);
  if (!r || column < 0) return {};
  if (row < 0) return size_t(column) < r->headers.size() ? r->headers[size_t(column)] : String();
  if (!in_range(row, r->rows.size())) return {};
  const std::vector<String>& cells = r->rows[size_t(row)];
  return size_t(column) < cells.size() ? cells[size_t(column)] : String();
}

uint32_t GuiSystem::lv_state(WindowHandle control, int32_t row) {
  Record* r = find(control);
  return r && in_range(row, r->rows.size()) ? r->row_states[size_t(row)] : 0;
}

void GuiSystem::lv_set_state(WindowHandle control, int32_t row, uint32_t mask, uint32_t value) {
  Record* r = find(control);
  if (!r) return;
  for (size_t i = 0; i < r->rows.size(); ++i) {
    if (row >= 0 && size_t(row) != i) continue;
    // One row at most has the focus.
    if ((mask & value & kRowFocused) && row >= 0)
      for (uint32_t& s : r->row_states) s &= ~kRowFocused;
    r->row_states[i] = (r->row_states[i] & ~mask) | (value & mask);
  }
}

int32_t GuiSystem::lv_next(WindowHandle control, int32_t after, uint32_t states) {
  Record* r = find(control);
  if (!r) return -1;
  for (size_t i = size_t(after < 0 ? 0 : after + 1); i < r->rows.size(); ++i)
    if ((r->row_states[i] & states) == states) return int32_t(i);
  return -1;
}

int32_t GuiSystem::lv_selected_count(WindowHandle control) {
  Record* r = find(control);
  int32_t n = 0;
  if (r)
    for (uint32_t s : r->row_states) n += (s & kRowSelected) ? 1 : 0;
  return n;
}

int32_t GuiSystem::lv_column_count(WindowHandle control) {
  Record* r = find(control);
  return r ? int32_t(r->headers.size()) : 0;
}

int32_t GuiSystem::lv_insert_column(WindowHandle control, int32_t column, StringView title, int32_t width,
                                    ColumnAlign) {
  Record* r = find(control);
  if (!r) return -1;
  if (column < 0 || size_t(column) > r->headers.size()) column = int32_t(r->headers.size());
  r->headers.insert(r->headers.begin() + column, String(title));
  r->widths.insert(r->widths.begin() + column, width < 0 ? 6 * int32_t(title.size()) + 12 : width);
  // The cells move right with the columns after the new one (the first
  // column's cells stay, as the system keeps them).
  for (std::vector<String>& cells : r->rows)
    if (column > 0 && size_t(column) < cells.size()) cells.insert(cells.begin() + column, String());
  return column;
}

bool GuiSystem::lv_delete_column(WindowHandle control, int32_t column) {
  Record* r = find(control);
  if (!r || !in_range(column, r->headers.size())) return false;
  r->headers.erase(r->headers.begin() + column);
  r->widths.erase(r->widths.begin() + column);
  for (std::vector<String>& cells : r->rows)
    if (size_t(column) < cells.size()) cells.erase(cells.begin() + column);
  for (std::vector<String>& cells : r->rows)
    if (cells.empty()) cells.emplace_back();
  return true;
}

bool GuiSystem::lv_set_column(WindowHandle control, int32_t column, const String* title, int32_t width,
                              ColumnAlign) {
  Record* r = find(control);
  if (!r || !in_range(column, r->headers.size())) return false;
  if (title) r->headers[size_t(column)] = *title;
  if (width >= 0) {
    r->widths[size_t(column)] = width;
  } else if (width == kWidthAuto || width == kWidthAutoHeader) {
    // Characters of the fixed-width font, and a little room around them.
    size_t longest = width == kWidthAutoHeader ? r->headers[size_t(column)].size() : 0;
    for (const std::vector<String>& cells : r->rows)
      if (size_t(column) < cells.size()) longest = std::max(longest, cells[size_t(column)].size());
    r->widths[size_t(column)] = 6 * int32_t(longest) + 12;
  }
  return true;
}

int32_t GuiSystem::lv_column_width(WindowHandle control, int32_t column) {
  Record* r = find(control);
  return r && in_range(column, r->widths.size()) ? r->widths[size_t(column)] : 0;
}

void GuiSystem::lv_set_extended_style(WindowHandle control, uint32_t mask, uint32_t value) {
  if (Record* r = find(control)) r->lv_ex = (r->lv_ex & ~mask) | (value & mask);
}

uint32_t GuiSystem::lv_extended_style(WindowHandle control) {
  Record* r = find(control);
  return r ? r->lv_ex : 0;
}

bool GuiSystem::sb_set_parts(WindowHandle bar, const std::vector<int32_t>& right_edges) {
  Record* r = find(bar);
  if (!r || right_edges.size() > 255) return false;
  r->headers.resize(right_edges.size() + 1);
  r->widths = right_edges;
  return true;
}

int32_t GuiSystem::sb_part_count(WindowHandle bar) {
  Record* r = find(bar);
  return r ? std::max<int32_t>(1, int32_t(r->headers.size())) : 0;
}

bool GuiSystem::sb_set_text(WindowHandle bar, int32_t part, StringView text, int32_t) {
  Record* r = find(bar);
  if (!r) return false;
  if (r->headers.empty()) r->headers.resize(1);
  if (!in_range(part, r->headers.size())) return false;
  r->headers[size_t(part)] = String(text);
  if (part == 0) r->text = String(text);
  return true;
}

String GuiSystem::sb_text(WindowHandle bar, int32_t part) {
  Record* r = find(bar);
  if (!r || !in_range(part, r->headers.size())) return {};
  return r->headers[size_t(part)];
}

}  // namespace orv::platform
