// SB_SetText(Text [, Part, Style]) and SB_SetParts([Width...]): the status
// bar of the thread's default window. Parts count from 1; their widths are
// the script's sizes, scaled like every other size of the window.
#include <algorithm>

#include "gui/gui_window.h"
#include "runtime/builtin_functions.h"
#include "runtime/evaluator.h"

namespace orv {

namespace {

GuiRef window_with_status_bar() {
  GuiRef gui = default_gui(false);
  return gui && gui->status_bar ? gui : nullptr;
}

}  // namespace

Result builtin_sb_set_text(Func&, ExprToken& result, ExprToken* args, int argc) {
  result = int_token(0);
  GuiRef gui = window_with_status_bar();
  if (!gui) return ResultDone;
  char16_t buf[256];
  StringView text = token_to_text(args[0], buf);
  int64_t part = argc > 1 ? token_to_int(args[1]) : 1;
  int64_t style = argc > 2 ? token_to_int(args[2]) : 0;
  if (part < 1 || part > 256) return ResultDone;
  bool ok = platform::gui_system().sb_set_text(gui->status_bar, int32_t(part - 1), text, int32_t(style));
  result = int_token(ok ? 1 : 0);
  return ResultDone;
}

Result builtin_sb_set_parts(Func&, ExprToken& result, ExprToken* args, int argc) {
  result = int_token(0);
  GuiRef gui = window_with_status_bar();
  if (!gui) return ResultDone;
  platform::GuiSystem& system = platform::gui_system();
  // Widths become right edges; the last part takes what is left.
  std::vector<int32_t> edges;
  int32_t edge = 0;
  for (int i = 0; i < argc; ++i) {
    edge += gui->scale(int32_t(std::clamp<int64_t>(token_to_int(args[i]), 0, 100000)));
    edges.push_back(edge);
  }
  // Texts of the parts that remain are kept; the system forgets them otherwise.
  int32_t before = system.sb_part_count(gui->status_bar);
  std::vector<String> texts;
  for (int32_t p = 0; p < before; ++p) texts.push_back(system.sb_text(gui->status_bar, p));
  if (!system.sb_set_parts(gui->status_bar, edges)) return ResultDone;
  for (size_t p = 0; p < texts.size() && p <= edges.size(); ++p)
    system.sb_set_text(gui->status_bar, int32_t(p), texts[p], 0);
  return temp_text_token(handle_text(gui->status_bar), SymString, result);
}

}  // namespace orv
