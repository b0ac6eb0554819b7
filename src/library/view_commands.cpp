#include "library/view_commands.h"

#include "base/messages.h"
#include "runtime/thread_settings.h"
#include "runtime/script_program.h"
#include "platform/platform.h"
#include "runtime/errors.h"
#include "runtime/func.h"
#include "runtime/line_history.h"
#include "runtime/list_vars.h"

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

Result list_lines_command(StringView word) {
  word = trim(word);
  if (word.empty()) {
    show_lines_view();
    return ResultDone;
  }
  if (equals_ignore_case(word, u"On")) g_thread->line_history = true;
  else if (equals_ignore_case(word, u"Off")) g_thread->line_history = false;
  else return report_runtime_error(message(Msg::ParamInvalid1), word);
  return ResultDone;
}

Result list_vars_command() {
  show_vars_view();
  return ResultDone;
}

}  // namespace orv
