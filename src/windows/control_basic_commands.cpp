// The control commands that read or change one property of a control:
// ControlGetText, ControlSetText, ControlFocus, ControlGetFocus,
// ControlGetPos and ControlMove. Each sets ErrorLevel 1 when the window or
// the control is not there or does not answer.
#include "runtime/error_level.h"
#include "runtime/executor.h"
#include "runtime/numbers.h"
#include "runtime/variable.h"
#include "windows/control_messages.h"
#include "windows/control_target.h"
#include "windows/window_commands.h"

namespace orv {

namespace {

Result assign_to(Variable* v, StringView text) { return v ? v->assign(text) : ResultDone; }

Result outcome(bool ok) { return set_error_level(ok ? 0 : 1); }

// An empty parameter keeps that coordinate as it is.
void take(StringView text, int32_t& value) {
  text = trim(text);
  if (!text.empty()) value = int32_t(text_to_int(text));
}

}  // namespace

// ControlGetText, OutputVar [, Control, WinTitle, WinText, ExcludeTitle, ExcludeText]
Result cmd_control_get_text(const ScriptLine&, ExpandedArgs& args) {
  WindowHandle c = control_of(args, 1, 2);
  // Asked of the control itself: another process's text is not readable otherwise.
  if (Result r = assign_to(args.vars[0], c ? desktop().control_text(c, true) : String()); r != ResultDone) return r;
  return outcome(c != 0);
}

// ControlSetText [, Control, NewText, WinTitle, WinText, ExcludeTitle, ExcludeText]
Result cmd_control_set_text(const ScriptLine&, ExpandedArgs& args) {
  WindowHandle c = control_of(args, 0, 2);
  bool ok = false;
  if (c) ask_text(c, wm::SetText, 0, arg_text(args, 1), &ok);
  if (ok) control_delay();
  return outcome(ok);
}

// ControlFocus [, Control, WinTitle, WinText, ExcludeTitle, ExcludeText]
Result cmd_control_focus(const ScriptLine&, ExpandedArgs& args) {
  WindowHandle c = control_of(args, 0, 1);
  bool ok = c && desktop().focus(c);
  if (ok) control_delay();
  return outcome(ok);
}

// ControlGetFocus, OutputVar [, WinTitle, WinText, ExcludeTitle, ExcludeText]
Result cmd_control_get_focus(const ScriptLine&, ExpandedArgs& args) {
  WindowHandle w = target_window(query_of(args, 1));
  WindowHandle f = w ? desktop().focused(w) : 0;
  String name = f ? class_nn_of(w, f) : String();
  if (Result r = assign_to(args.vars[0], name); r != ResultDone) return r;
  return outcome(!name.empty());
}

// ControlGetPos [, X, Y, Width, Height, Control, WinTitle, WinText, ExcludeTitle, ExcludeText]:
// the position is relative to the window's upper-left corner.
Result cmd_control_get_pos(const ScriptLine&, ExpandedArgs& args) {
  WindowQuery q = query_of(args, 5);
  WindowHandle w = target_window(q);
  WindowHandle c = w ? find_control(w, arg_text(args, 4), thread_search_context().settings) : 0;
  platform::WindowRect wr, cr;
  bool found = c && desktop().rect(w, wr) && desktop().rect(c, cr);
  const int32_t values[] = {cr.x - wr.x, cr.y - wr.y, cr.width, cr.height};
  for (int i = 0; i < 4; ++i) {
    Variable* v = args.vars[i];
    Result r = !v ? ResultDone : found ? v->assign_int(values[i]) : v->assign(StringView());
    if (r != ResultDone) return r;
  }
  return outcome(found);
}

// ControlMove, Control, X, Y, Width, Height [, WinTitle, WinText, ExcludeTitle, ExcludeText]:
// X and Y are relative to the window's upper-left corner; blanks keep what is.
Result cmd_control_move(const ScriptLine&, ExpandedArgs& args) {
  platform::WindowSystem& d = desktop();
  WindowHandle w = target_window(query_of(args, 5));
  WindowHandle c = w ? find_control(w, arg_text(args, 0), thread_search_context().settings) : 0;
  platform::WindowRect wr, cr;
  if (!c || c == w || !d.rect(w, wr) || !d.rect(c, cr)) return outcome(false);
  int32_t x = cr.x - wr.x, y = cr.y - wr.y;
  take(arg_text(args, 1), x);
  take(arg_text(args, 2), y);
  take(arg_text(args, 3), cr.width);
  take(arg_text(args, 4), cr.height);
  // The system places a control in its parent's client coordinates.
  cr.x = wr.x + x, cr.y = wr.y + y;
  bool ok = d.to_client(d.parent(c), cr.x, cr.y) && d.move(c, cr);
  if (ok) control_delay();
  return outcome(ok);
}

}  // namespace orv
