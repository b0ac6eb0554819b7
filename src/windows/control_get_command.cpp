// ControlGet: what a control holds or shows, by sub-command. ErrorLevel 1
// when the control is missing, does not answer, or has nothing to give.
#include "base/messages.h"
#include "runtime/error_level.h"
#include "runtime/errors.h"
#include "runtime/executor.h"
#include "runtime/numbers.h"
#include "runtime/variable.h"
#include "windows/control_lists.h"
#include "windows/control_messages.h"
#include "windows/control_target.h"
#include "windows/window_commands.h"
#include "windows/window_styles.h"

namespace orv {

namespace {

constexpr StringView kSubCommands[] = {u"Checked", u"Enabled", u"Visible", u"Tab", u"FindString", u"Choice",
                                       u"List", u"LineCount", u"CurrentLine", u"CurrentCol", u"Line",
                                       u"Selected", u"Style", u"ExStyle", u"Hwnd"};

// The value of one sub-command; false when the control cannot give it.
bool value_of(StringView cmd, StringView value, WindowHandle c, String& out) {
  platform::WindowSystem& d = desktop();
  auto is = [&](StringView word) { return equals_ignore_case(cmd, word); };
  auto number = [&](int64_t n) { return out = to_string(n), true; };
  bool ok = false;
  if (is(u"Checked")) return number(ask(c, wm::BmGetCheck) == 1);
  if (is(u"Enabled")) return number((d.style(c) & wm::StyleDisabled) == 0);
  if (is(u"Visible")) return number((d.style(c) & wm::StyleVisible) != 0);
  if (is(u"Style")) return out = style_text(d.style(c)), true;
  if (is(u"ExStyle")) return out = style_text(d.ex_style(c)), true;
  if (is(u"Hwnd")) return out = window_handle_text(c), true;
  if (is(u"Tab")) {
    intptr_t i = ask(c, wm::TcmGetCurSel, 0, 0, &ok);
    return ok && i >= 0 && number(i + 1);
  }
  if (is(u"FindString")) {
    intptr_t i = find_item(c, value);
    return i >= 0 && number(i + 1);
  }
  if (is(u"Choice")) return item_text(c, selected_item(c), out);
  if (is(u"List")) return all_items(c, out);
  if (is(u"LineCount")) {
    intptr_t n = ask(c, wm::EmGetLineCount, 0, 0, &ok);
    return ok && number(n);
  }
  if (is(u"CurrentLine")) {
    intptr_t line = ask(c, wm::EmLineFromChar, uintptr_t(-1), 0, &ok);
    return ok && number(line + 1);
  }
  if (is(u"CurrentCol")) {
    intptr_t start = ask(c, wm::EmGetSel, 0, 0, &ok) & 0xFFFF;
    intptr_t line_start = ok ? ask(c, wm::EmLineIndex, uintptr_t(ask(c, wm::EmLineFromChar, uintptr_t(start))), 0, &ok) : 0;
    return ok && number(start - line_start + 1);
  }
  if (is(u"Line")) return edit_line(c, text_to_int(trim(value)), out);
  // Selected: the edit's selection, cut from its text.
  intptr_t sel = ask(c, wm::EmGetSel, 0, 0, &ok);
  if (!ok) return false;
  String text = d.control_text(c, true);
  size_t start = std::min<size_t>(size_t(sel & 0xFFFF), text.size()), end = std::min<size_t>(size_t((sel >> 16) & 0xFFFF), text.size());
  out = start < end ? text.substr(start, end - start) : String();
  return true;
}

}  // namespace

// ControlGet, OutputVar, Cmd [, Value, Control, WinTitle, WinText, ExcludeTitle, ExcludeText]
Result cmd_control_get(const ScriptLine&, ExpandedArgs& args) {
  StringView cmd = trim(arg_text(args, 1));
  bool known = false;
  for (StringView k : kSubCommands) known = known || equals_ignore_case(cmd, k);
  if (!known) return report_runtime_error(message(Msg::ParamInvalid2), cmd);
  WindowHandle c = control_of(args, 3, 4);
  String value;
  bool ok = c && value_of(cmd, arg_text(args, 2), c, value);
  if (args.vars[0]) {
    if (Result r = args.vars[0]->assign(ok ? StringView(value) : StringView()); r != ResultDone) return r;
  }
  return set_error_level(ok ? 0 : 1);
}

}  // namespace orv
