// The running thread's window settings: SetTitleMatchMode, DetectHiddenWindows,
// DetectHiddenText, SetWinDelay and SetControlDelay.
#include "base/messages.h"
#include "library/thread_commands.h"
#include "runtime/errors.h"
#include "runtime/executor.h"
#include "runtime/numbers.h"
#include "runtime/thread_settings.h"

namespace orv {

namespace {

Result set_on_off(ExpandedArgs& args, bool& setting) {
  int v = on_off_setting(arg_text(args, 0));
  if (v < 0) return report_runtime_error(message(Msg::ParamInvalid1), arg_text(args, 0));
  setting = v != 0;
  return ResultDone;
}

int32_t delay_of(StringView text) {
  int64_t ms = text_to_int(text);
  return ms > INT32_MAX ? INT32_MAX : ms < -1 ? -1 : int32_t(ms);
}

}  // namespace

// 1, 2, 3 or RegEx choose how titles match; Fast and Slow how window text
// is read. One call sets one of the two.
Result cmd_set_title_match_mode(const ScriptLine&, ExpandedArgs& args) {
  StringView s = trim(arg_text(args, 0));
  ThreadSettings& t = *g_thread;
  if (s == u"1") t.title_match_mode = TitleMatchMode::StartsWith;
  else if (s == u"2") t.title_match_mode = TitleMatchMode::Contains;
  else if (s == u"3") t.title_match_mode = TitleMatchMode::Exact;
  else if (equals_ignore_case(s, u"RegEx")) t.title_match_mode = TitleMatchMode::RegEx;
  else if (equals_ignore_case(s, u"Fast")) t.title_match_fast = true;
  else if (equals_ignore_case(s, u"Slow")) t.title_match_fast = false;
  else return report_runtime_error(message(Msg::ParamInvalid1), s);
  return ResultDone;
}

Result cmd_detect_hidden_windows(const ScriptLine&, ExpandedArgs& args) {
  return set_on_off(args, g_thread->detect_hidden_windows);
}

Result cmd_detect_hidden_text(const ScriptLine&, ExpandedArgs& args) {
  return set_on_off(args, g_thread->detect_hidden_text);
}

Result cmd_set_win_delay(const ScriptLine&, ExpandedArgs& args) {
  g_thread->win_delay = delay_of(arg_text(args, 0));
  return ResultDone;
}

Result cmd_set_control_delay(const ScriptLine&, ExpandedArgs& args) {
  g_thread->control_delay = delay_of(arg_text(args, 0));
  return ResultDone;
}

}  // namespace orv
