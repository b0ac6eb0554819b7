// LV_Add, LV_Insert, LV_Modify, LV_Delete, LV_GetCount, LV_GetNext,
// LV_GetText, LV_InsertCol, LV_ModifyCol and LV_DeleteCol: the thread's
// default window's default list view. Rows and columns count from 1; 0 or
// empty stands for a failure, as scripts test it.
#include <algorithm>

#include "gui/list_view.h"
#include "runtime/builtin_functions.h"
#include "runtime/evaluator.h"
#include "runtime/variable.h"

namespace orv {

namespace {

GuiControl* default_list_view() {
  GuiRef gui = default_gui(false);
  if (!gui || !gui->default_list_view) return nullptr;
  GuiControl* c = gui->control_of(gui->default_list_view);
  return c && c->type == ControlType::ListView ? c : nullptr;
}

int32_t row_arg(const ExprToken& t) { return int32_t(std::clamp<int64_t>(token_to_int(t), -1, INT32_MAX)); }

// The cells of a row from `args`, starting at column `first`.
void set_cells(GuiControl& c, int32_t row, int32_t first, ExprToken* args, int count) {
  platform::GuiSystem& system = platform::gui_system();
  char16_t buf[256];
  for (int i = 0; i < count; ++i) system.lv_set_text(c.hwnd, row, first + i, token_to_text(args[i], buf));
}

// LV_Add and LV_Insert: the new row's number, 0 on failure.
Result add_row(ExprToken& result, int32_t before, ExprToken* args, int argc) {
  result = int_token(0);
  GuiControl* c = default_list_view();
  if (!c) return ResultDone;
  platform::GuiSystem& system = platform::gui_system();
  char16_t buf[256];
  StringView options = argc > 0 ? token_to_text(args[0], buf) : StringView();
  String options_copy(options);
  char16_t first_buf[256];
  StringView first = argc > 1 ? token_to_text(args[1], first_buf) : StringView();
  int32_t row = system.lv_insert_row(c->hwnd, before, first);
  if (row < 0) return ResultDone;
  // Cells first (a Col option says where they go); then the options act on the filled row.
  int32_t first_column = 0;
  if (!apply_row_options(*c, kOnlyColumn, options_copy, first_column)) {
    system.lv_delete_row(c->hwnd, row);
    return ResultDone;
  }
  if (first_column > 0) {
    system.lv_set_text(c->hwnd, row, 0, u"");
    set_cells(*c, row, first_column, args + 1, argc - 1);
  } else if (argc > 2) {
    set_cells(*c, row, 1, args + 2, argc - 2);
  }
  int32_t ignored = 0;
  (void)apply_row_options(*c, row, options_copy, ignored);
  result = int_token(row + 1);
  return ResultDone;
}

}  // namespace

Result builtin_lv_add(Func&, ExprToken& result, ExprToken* args, int argc) {
  return add_row(result, -1, args, argc);
}

Result builtin_lv_insert(Func&, ExprToken& result, ExprToken* args, int argc) {
  int64_t row = token_to_int(args[0]);
  // A row past the end goes at the end.
  return add_row(result, row < 1 ? 0 : int32_t(std::min<int64_t>(row - 1, INT32_MAX)), args + 1, argc - 1);
}

Result builtin_lv_modify(Func&, ExprToken& result, ExprToken* args, int argc) {
  result = int_token(0);
  GuiControl* c = default_list_view();
  if (!c) return ResultDone;
  platform::GuiSystem& system = platform::gui_system();
  int32_t row = row_arg(args[0]) - 1;  // 0: every row
  int32_t rows = system.lv_row_count(c->hwnd);
  if (row < -1 || row >= rows) return ResultDone;
  char16_t buf[256];
  String options(argc > 1 ? token_to_text(args[1], buf) : StringView());
  int32_t first_column = 0;
  if (!apply_row_options(*c, row, options, first_column)) return ResultDone;
  if (argc > 2) {
    system.set_redraw(c->hwnd, false);
    for (int32_t r = row < 0 ? 0 : row; r < (row < 0 ? rows : row + 1); ++r)
      set_cells(*c, r, first_column, args + 2, argc - 2);
    system.set_redraw(c->hwnd, true);
  }
  result = int_token(1);
  return ResultDone;
}

Result builtin_lv_delete(Func&, ExprToken& result, ExprToken* args, int argc) {
  result = int_token(0);
  GuiControl* c = default_list_view();
  if (!c) return ResultDone;
  int32_t row = argc > 0 ? row_arg(args[0]) - 1 : -1;
  if (argc > 0 && row < 0) return ResultDone;
  result = int_token(platform::gui_system().lv_delete_row(c->hwnd, row) ? 1 : 0);
  return ResultDone;
}

Result builtin_lv_get_count(Func&, ExprToken& result, ExprToken* args, int argc) {
  result = int_token(0);
  GuiControl* c = default_list_view();
  if (!c) return ResultDone;
  platform::GuiSystem& system = platform::gui_system();
  char16_t buf[256];
  StringView what = argc > 0 ? trim(token_to_text(args[0], buf)) : StringView();
  if (what.empty()) result = int_token(system.lv_row_count(c->hwnd));
  else if ((what[0] | 0x20) == u's') result = int_token(system.lv_selected_count(c->hwnd));
  else if ((what[0] | 0x20) == u'c') result = int_token(system.lv_column_count(c->hwnd));
  return ResultDone;
}

Result builtin_lv_get_next(Func&, ExprToken& result, ExprToken* args, int argc) {
  result = int_token(0);
  GuiControl* c = default_list_view();
  if (!c) return ResultDone;
  int32_t after = argc > 0 ? row_arg(args[0]) - 1 : -1;
  char16_t buf[256];
  StringView what = argc > 1 ? trim(token_to_text(args[1], buf)) : StringView();
  uint32_t state = platform::kRowSelected;
  if (!what.empty() && (what[0] | 0x20) == u'c') state = platform::kRowChecked;
  else if (!what.empty() && (what[0] | 0x20) == u'f') state = platform::kRowFocused;
  result = int_token(platform::gui_system().lv_next(c->hwnd, after < 0 ? -1 : after, state) + 1);
  return ResultDone;
}

Result builtin_lv_get_text(Func&, ExprToken& result, ExprToken* args, int argc) {
  result = int_token(0);
  GuiControl* c = default_list_view();
  if (args[0].symbol != SymVar) return ResultDone;
  Variable& out = *args[0].var;
  if (!c) return out.assign_empty();
  platform::GuiSystem& system = platform::gui_system();
  int32_t row = row_arg(args[1]) - 1;  // -1: the header
  int32_t column = argc > 2 ? row_arg(args[2]) - 1 : 0;
  bool ok = column >= 0 && column < std::max(1, system.lv_column_count(c->hwnd)) && row >= -1 &&
            row < system.lv_row_count(c->hwnd);
  if (!ok) return out.assign_empty();
  if (!out.assign(system.lv_text(c->hwnd, row, column))) return ResultFailed;
  result = int_token(1);
  return ResultDone;
}

Result builtin_lv_insert_col(Func&, ExprToken& result, ExprToken* args, int argc) {
  result = int_token(0);
  GuiControl* c = default_list_view();
  if (!c) return ResultDone;
  platform::GuiSystem& system = platform::gui_system();
  int64_t n = token_to_int(args[0]);
  int32_t count = system.lv_column_count(c->hwnd);
  int32_t at = n < 1 || n > count ? count : int32_t(n - 1);
  char16_t buf[256], title_buf[256];
  ListViewColumn rule;
  int32_t width = 0;
  platform::ColumnAlign align;
  bool sort = false, desc = false;
  if (!parse_column_options(argc > 1 ? token_to_text(args[1], buf) : StringView(), rule, width, align, sort, desc))
    return ResultDone;
  StringView title = argc > 2 ? token_to_text(args[2], title_buf) : StringView();
  int32_t made = system.lv_insert_column(c->hwnd, at, title, width < 0 ? platform::kWidthKeep : width,
                                         align == platform::ColumnAlign::Keep ? platform::ColumnAlign::Left : align);
  if (made < 0) return ResultDone;
  c->columns.insert(c->columns.begin() + std::min<size_t>(size_t(made), c->columns.size()), rule);
  if (c->lv_sorted_column >= made) ++c->lv_sorted_column;
  if (width < 0) system.lv_set_column(c->hwnd, made, nullptr, width == platform::kWidthKeep ? platform::kWidthAutoHeader : width,
                                      platform::ColumnAlign::Keep);
  if (sort) sort_list_view(*c, made, desc);
  result = int_token(made + 1);
  return ResultDone;
}

Result builtin_lv_modify_col(Func&, ExprToken& result, ExprToken* args, int argc) {
  result = int_token(0);
  GuiControl* c = default_list_view();
  if (!c) return ResultDone;
  platform::GuiSystem& system = platform::gui_system();
  int32_t count = system.lv_column_count(c->hwnd);
  if (argc == 0) {
    // Every column as wide as its contents.
    for (int32_t k = 0; k < count; ++k)
      system.lv_set_column(c->hwnd, k, nullptr, platform::kWidthAuto, platform::ColumnAlign::Keep);
    result = int_token(1);
    return ResultDone;
  }
  int32_t column = row_arg(args[0]) - 1;
  if (column < 0 || column >= count) return ResultDone;
  if (c->columns.size() < size_t(count)) c->columns.resize(size_t(count));
  ListViewColumn& rule = c->columns[size_t(column)];
  char16_t buf[256], title_buf[256];
  int32_t width = 0;
  platform::ColumnAlign align;
  bool sort = false, desc = false;
  ListViewColumn changed = rule;
  StringView options = argc > 1 ? token_to_text(args[1], buf) : StringView();
  if (!parse_column_options(options, changed, width, align, sort, desc)) return ResultDone;
  rule = changed;
  String title;
  if (argc > 2) title = String(token_to_text(args[2], title_buf));
  // A column without options or title fits its contents.
  if (argc == 1) width = platform::kWidthAuto;
  if (!system.lv_set_column(c->hwnd, column, argc > 2 ? &title : nullptr, width, align)) return ResultDone;
  if (sort) sort_list_view(*c, column, desc);
  result = int_token(1);
  return ResultDone;
}

Result builtin_lv_delete_col(Func&, ExprToken& result, ExprToken* args, int) {
  result = int_token(0);
  GuiControl* c = default_list_view();
  if (!c) return ResultDone;
  int32_t column = row_arg(args[0]) - 1;
  if (column < 0 || !platform::gui_system().lv_delete_column(c->hwnd, column)) return ResultDone;
  if (size_t(column) < c->columns.size()) c->columns.erase(c->columns.begin() + column);
  if (c->lv_sorted_column == column) c->lv_sorted_column = -1;
  else if (c->lv_sorted_column > column) --c->lv_sorted_column;
  result = int_token(1);
  return ResultDone;
}

}  // namespace orv
