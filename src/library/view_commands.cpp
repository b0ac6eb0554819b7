#include "library/view_commands.h"

#include "base/messages.h"
#include "platform/platform.h"
#include "runtime/errors.h"
#include "runtime/executor.h"
#include "runtime/func.h"
#include "runtime/line_history.h"
#include "runtime/list_vars.h"
#include "runtime/script_program.h"
#include "runtime/thread_settings.h"

namespace orv {

namespace {

void show(StringView text) {
  platform::set_main_window_text(text);
  platform::show_main_window();
}

}  // namespace

void show_lines_view() { show(list_lines()); }

void show_vars_view() {
  String sections;
  if (Func* f = g_thread->current_func) sections = function_var_sections(f->name, f->statics, f->locals);
  show(list_vars_text(g_script->globals, sections));
}

// ListLines [On|Off]: without a word, shows the recent lines; with one,
// turns the running thread's line history on or off.
Result cmd_list_lines(const ScriptLine&, ExpandedArgs& args) {
  StringView word = trim(arg_text(args, 0));
  if (word.empty()) {
    show_lines_view();
    return ResultDone;
  }
  if (equals_ignore_case(word, u"On")) g_thread->line_history = true;
  else if (equals_ignore_case(word, u"Off")) g_thread->line_history = false;
  else return report_runtime_error(message(Msg::ParamInvalid1), word);
  return ResultDone;
}

// ListVars: shows the running function's statics and locals, then the globals.
Result cmd_list_vars(const ScriptLine&, ExpandedArgs&) {
  show_vars_view();
  return ResultDone;
}

}  // namespace orv
