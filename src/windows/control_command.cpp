// Control: changes a control by sub-command. ErrorLevel 1 when the control
// is missing, refuses, or does not answer; the thread's ControlDelay
// follows a change.
#include "base/messages.h"
#include "runtime/error_level.h"
#include "runtime/errors.h"
#include "runtime/executor.h"
#include "runtime/numbers.h"
#include "windows/control_lists.h"
#include "windows/control_messages.h"
#include "windows/control_target.h"
#include "windows/window_styles.h"

namespace orv {

namespace {

bool set_check(WindowHandle c, bool on) {
  bool ok = false;
  ask(c, wm::BmSetCheck, on ? 1 : 0, 0, &ok);
  // The parent learns of it as of a click, so its own state follows.
  if (ok) notify_parent(c, wm::BnClicked);
  return ok;
}

// Arrow keys move a tab control's selection and notify its parent the way
// a user's would.
bool move_tab(WindowHandle c, uint32_t key, StringView count) {
  int64_t n = trim(count).empty() ? 1 : text_to_int(trim(count));
  platform::WindowSystem& d = desktop();
  for (int64_t i = 0; i < n; ++i)
    if (!d.post(c, wm::KeyDown, key, 1) || !d.post(c, wm::KeyUp, key, intptr_t(0xC0000001u))) return false;
  return true;
}

bool act(StringView cmd, StringView value, WindowHandle c) {
  platform::WindowSystem& d = desktop();
  auto is = [&](StringView word) { return equals_ignore_case(cmd, word); };
  auto done = [](bool ok) { return ok; };
  bool ok = false;
  intptr_t index = text_to_int(trim(value)) - 1;
  if (is(u"Check") || is(u"Uncheck")) return done(set_check(c, is(u"Check")));
  if (is(u"Enable") || is(u"Disable")) return done(d.enable(c, is(u"Enable")));
  if (is(u"Show") || is(u"Hide")) return done(d.show(c, is(u"Show") ? platform::ShowCommand::Show : platform::ShowCommand::Hide));
  if (is(u"Style") || is(u"ExStyle")) return done(change_style(c, is(u"ExStyle"), value));
  if (is(u"ShowDropDown") || is(u"HideDropDown")) {
    ask(c, wm::CbShowDropDown, is(u"ShowDropDown") ? 1 : 0, 0, &ok);
    return done(ok);
  }
  if (is(u"TabLeft") || is(u"TabRight")) return done(move_tab(c, is(u"TabLeft") ? wm::VkLeft : wm::VkRight, value));
  if (is(u"Add")) return done(add_item(c, value));
  if (is(u"Delete")) return done(delete_item(c, index));
  if (is(u"Choose")) return done(choose_item(c, index));
  if (is(u"ChooseString")) return done(choose_item_text(c, value));
  if (is(u"EditPaste")) {
    ask_text(c, wm::EmReplaceSel, 1, value, &ok);
    return done(ok);
  }
  return false;
}

}  // namespace

// Control, Cmd [, Value, Control, WinTitle, WinText, ExcludeTitle, ExcludeText]
Result cmd_control(const ScriptLine&, ExpandedArgs& args) {
  static constexpr StringView kSubCommands[] = {
      u"Check", u"Uncheck", u"Enable", u"Disable", u"Show", u"Hide", u"Style", u"ExStyle", u"ShowDropDown",
      u"HideDropDown", u"TabLeft", u"TabRight", u"Add", u"Delete", u"Choose", u"ChooseString", u"EditPaste"};
  StringView cmd = trim(arg_text(args, 0));
  bool known = false;
  for (StringView k : kSubCommands) known = known || equals_ignore_case(cmd, k);
  if (!known) return report_runtime_error(message(Msg::ParamInvalid2), cmd);
  WindowHandle c = control_of(args, 2, 3);
  bool ok = c && act(cmd, arg_text(args, 1), c);
  if (ok) control_delay();
  return set_error_level(ok ? 0 : 1);
}

}  // namespace orv
