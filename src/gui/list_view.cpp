#include "gui/list_view.h"

#include <algorithm>
#include <vector>

#include "runtime/numbers.h"

namespace orv {

namespace {

using platform::ColumnAlign;
constexpr uint32_t LVS_EX_FULLROWSELECT = 0x20;

// A word of an option list with its sign and a trailing 0/1 taken off.
struct Word {
  StringView name, value;
  bool on = true;
};
Word split_word(StringView word) {
  Word w;
  if (!word.empty() && (word[0] == u'+' || word[0] == u'-')) {
    w.on = word[0] == u'+';
    word = word.substr(1);
  }
  size_t digits = word.size();
  while (digits > 0 && word[digits - 1] >= u'0' && word[digits - 1] <= u'9') --digits;
  w.name = word.substr(0, digits);
  w.value = word.substr(digits);
  return w;
}

template <class F>
bool each_word(StringView text, F&& f) {
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && is_blank(text[i])) ++i;
    size_t start = i;
    while (i < text.size() && !is_blank(text[i])) ++i;
    if (start < i && !f(text.substr(start, i - start))) return false;
  }
  return true;
}

// Numbers inside text compare by their value ("file9" before "file10").
int compare_logical(StringView a, StringView b) {
  size_t i = 0, j = 0;
  auto digit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
  while (i < a.size() && j < b.size()) {
    if (digit(a[i]) && digit(b[j])) {
      size_t si = i, sj = j;
      while (si < a.size() && a[si] == u'0') ++si;
      while (sj < b.size() && b[sj] == u'0') ++sj;
      size_t ei = si, ej = sj;
      while (ei < a.size() && digit(a[ei])) ++ei;
      while (ej < b.size() && digit(b[ej])) ++ej;
      if (ei - si != ej - sj) return ei - si < ej - sj ? -1 : 1;
      if (int c = a.substr(si, ei - si).compare(b.substr(sj, ej - sj)); c) return c < 0 ? -1 : 1;
      i = ei, j = ej;
      continue;
    }
    char16_t x = fold_case(a[i]), y = fold_case(b[j]);
    if (x != y) return x < y ? -1 : 1;
    ++i, ++j;
  }
  return i < a.size() ? 1 : j < b.size() ? -1 : 0;
}

int compare_cells(const ListViewColumn& col, StringView a, StringView b) {
  switch (col.kind) {
    case ListViewColumn::Kind::Integer: {
      int64_t x = text_to_int(a), y = text_to_int(b);
      return x < y ? -1 : x > y ? 1 : 0;
    }
    case ListViewColumn::Kind::Float: {
      double x = text_to_double(a), y = text_to_double(b);
      return x < y ? -1 : x > y ? 1 : 0;
    }
    default:
      if (col.logical) return compare_logical(a, b);
      if (col.case_sense) return a.compare(b) < 0 ? -1 : a == b ? 0 : 1;
      return compare_ignore_case(a, b);
  }
}

}  // namespace

void set_up_list_view(GuiWindow& gui, GuiControl& c, const ControlOptions& o, StringView text) {
  platform::GuiSystem& system = platform::gui_system();
  uint32_t ex = (LVS_EX_FULLROWSELECT | o.lv_ex_add) & ~o.lv_ex_remove;
  system.lv_set_extended_style(c.hwnd, 0xFFFFFFFF, ex);
  c.lv_no_sort = o.no_sort.value_or(false);
  size_t i = 0;
  while (!text.empty() && i <= text.size()) {
    size_t end = text.find(gui.delimiter, i);
    StringView title = text.substr(i, end == StringView::npos ? StringView::npos : end - i);
    int32_t at = system.lv_insert_column(c.hwnd, int32_t(c.columns.size()), title, platform::kWidthKeep,
                                         ColumnAlign::Left);
    if (at >= 0) c.columns.emplace_back();
    if (end == StringView::npos) break;
    i = end + 1;
  }
  // Columns fit their titles until rows come.
  for (size_t n = 0; n < c.columns.size(); ++n)
    system.lv_set_column(c.hwnd, int32_t(n), nullptr, platform::kWidthAutoHeader, ColumnAlign::Keep);
  if (o.count && *o.count > 0) system.lv_reserve(c.hwnd, *o.count);
}

bool apply_row_options(GuiControl& c, int32_t row, StringView options, int32_t& first_column) {
  platform::GuiSystem& system = platform::gui_system();
  first_column = 0;
  return each_word(options, [&](StringView text) {
    Word w = split_word(text);
    bool on = w.on && !(w.value.size() == 1 && w.value[0] == u'0');
    auto is = [&](StringView name) { return equals_ignore_case(w.name, name); };
    uint32_t state = is(u"Check") ? platform::kRowChecked
                     : is(u"Select") ? platform::kRowSelected
                     : is(u"Focus") ? platform::kRowFocused
                                    : 0;
    if (row == kOnlyColumn && !is(u"Col")) return state || is(u"Vis") || is(u"Icon");
    if (state) {
      system.lv_set_state(c.hwnd, row, state, on ? state : 0);
    } else if (is(u"Vis")) {
      if (row >= 0) system.lv_ensure_visible(c.hwnd, row);
    } else if (is(u"Icon") && !w.value.empty()) {
      system.lv_set_icon(c.hwnd, row, int32_t(text_to_int(w.value)) - 1);
    } else if (is(u"Col") && !w.value.empty()) {
      first_column = std::max(0, int32_t(text_to_int(w.value)) - 1);
    } else {
      return false;
    }
    return true;
  });
}

bool parse_column_options(StringView options, ListViewColumn& col, int32_t& width, ColumnAlign& align, bool& sort,
                          bool& sort_desc) {
  width = platform::kWidthKeep;
  align = ColumnAlign::Keep;
  sort = sort_desc = false;
  return each_word(options, [&](StringView text) {
    if (numeric_type_of(text) == NumType::Integer) {
      width = std::max<int32_t>(0, int32_t(text_to_int(text)));
      return true;
    }
    Word w = split_word(text);
    if (!w.value.empty()) return false;
    auto is = [&](StringView name) { return equals_ignore_case(w.name, name); };
    if (is(u"Auto")) width = platform::kWidthAuto;
    else if (is(u"AutoHdr")) width = platform::kWidthAutoHeader;
    else if (is(u"Integer")) col.kind = ListViewColumn::Kind::Integer, align = ColumnAlign::Right;
    else if (is(u"Float")) col.kind = ListViewColumn::Kind::Float, align = ColumnAlign::Right;
    else if (is(u"Text")) col.kind = ListViewColumn::Kind::Text, align = ColumnAlign::Left;
    else if (is(u"Left")) align = ColumnAlign::Left;
    else if (is(u"Right")) align = ColumnAlign::Right;
    else if (is(u"Center")) align = ColumnAlign::Center;
    else if (is(u"Case")) col.case_sense = w.on, col.logical = false;
    else if (is(u"CaseLocale")) col.case_sense = false, col.logical = false;
    else if (is(u"Logical")) col.logical = w.on, col.case_sense = false;
    else if (is(u"Desc")) col.desc = w.on;
    else if (is(u"NoSort")) col.no_sort = w.on;
    else if (is(u"Sort")) sort = true;
    else if (is(u"SortDesc")) sort = sort_desc = true;
    else if (is(u"Uni")) {}
    else return false;
    return true;
  });
}

void sort_list_view(GuiControl& c, int32_t column, bool desc) {
  platform::GuiSystem& system = platform::gui_system();
  int32_t rows = system.lv_row_count(c.hwnd), columns = std::max(1, system.lv_column_count(c.hwnd));
  if (column < 0 || column >= columns) return;
  struct Row {
    std::vector<String> cells;
    uint32_t state;
  };
  std::vector<Row> all(static_cast<size_t>(rows));
  for (int32_t r = 0; r < rows; ++r) {
    all[size_t(r)].cells.resize(size_t(columns));
    for (int32_t k = 0; k < columns; ++k) all[size_t(r)].cells[size_t(k)] = system.lv_text(c.hwnd, r, k);
    all[size_t(r)].state = system.lv_state(c.hwnd, r);
  }
  ListViewColumn rule = size_t(column) < c.columns.size() ? c.columns[size_t(column)] : ListViewColumn();
  std::stable_sort(all.begin(), all.end(), [&](const Row& a, const Row& b) {
    int cmp = compare_cells(rule, a.cells[size_t(column)], b.cells[size_t(column)]);
    return desc ? cmp > 0 : cmp < 0;
  });
  system.set_redraw(c.hwnd, false);
  constexpr uint32_t kAll = platform::kRowSelected | platform::kRowFocused | platform::kRowChecked;
  for (int32_t r = 0; r < rows; ++r) {
    for (int32_t k = 0; k < columns; ++k) system.lv_set_text(c.hwnd, r, k, all[size_t(r)].cells[size_t(k)]);
    system.lv_set_state(c.hwnd, r, kAll, all[size_t(r)].state);
  }
  system.set_redraw(c.hwnd, true);
  c.lv_sorted_column = column;
  if (size_t(column) < c.columns.size()) c.columns[size_t(column)].sorted_desc = desc;
}

void sort_on_header_click(GuiControl& c, int32_t column) {
  if (c.lv_no_sort || column < 0) return;
  ListViewColumn rule = size_t(column) < c.columns.size() ? c.columns[size_t(column)] : ListViewColumn();
  if (rule.no_sort) return;
  bool desc = c.lv_sorted_column == column ? !rule.sorted_desc : rule.desc;
  sort_list_view(c, column, desc);
}

}  // namespace orv
