// Commands that change a window in place: WinMove and WinSetTitle. Both
// have a short form that acts on the Last Found Window.
#include "runtime/executor.h"
#include "runtime/numbers.h"
#include "runtime/script_line.h"
#include "windows/window_actions.h"
#include "windows/window_commands.h"

namespace orv {

namespace {

// An empty parameter keeps that coordinate as it is.
void take(StringView text, int32_t& value) {
  text = trim(text);
  if (!text.empty()) value = int32_t(text_to_int(text));
}

}  // namespace

// WinMove, X, Y (the Last Found Window), or
// WinMove, WinTitle, WinText, X, Y [, Width, Height, ExcludeTitle, ExcludeText]
Result cmd_win_move(const ScriptLine& line, ExpandedArgs& args) {
  bool short_form = line.arg_count == 2;
  WindowQuery q = short_form ? WindowQuery{} : WindowQuery{arg_text(args, 0), arg_text(args, 1), arg_text(args, 6), arg_text(args, 7)};
  int first = short_form ? 0 : 2;
  WindowHandle w = target_window(q);
  platform::WindowRect r;
  if (!w || !desktop().rect(w, r)) return ResultDone;
  take(arg_text(args, first), r.x);
  take(arg_text(args, first + 1), r.y);
  if (!short_form) {
    take(arg_text(args, 4), r.width);
    take(arg_text(args, 5), r.height);
  }
  desktop().move(w, r);
  win_delay();
  return ResultDone;
}

// WinSetTitle, NewTitle (the Last Found Window), or
// WinSetTitle, WinTitle, WinText, NewTitle [, ExcludeTitle, ExcludeText]
Result cmd_win_set_title(const ScriptLine& line, ExpandedArgs& args) {
  bool short_form = line.arg_count == 1;
  WindowQuery q = short_form ? WindowQuery{} : WindowQuery{arg_text(args, 0), arg_text(args, 1), arg_text(args, 3), arg_text(args, 4)};
  if (WindowHandle w = target_window(q)) {
    desktop().set_title(w, arg_text(args, short_form ? 0 : 2));
    win_delay();
  }
  return ResultDone;
}

}  // namespace orv
