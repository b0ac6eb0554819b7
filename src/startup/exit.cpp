#include "startup/exit.h"

#include "base/messages.h"
#include "events/exit_callbacks.h"
#include "platform/platform.h"
#include "runtime/builtin_vars.h"
#include "runtime/executor.h"
#include "runtime/numbers.h"
#include "runtime/process_state.h"

namespace orv {

namespace {

bool g_callbacks_running = false;
bool g_exit_app_in_callbacks = false;

[[noreturn]] void terminate(int code) {
  platform::destroy_main_window();
  platform::remove_tray_icon();
  platform::restore_foreground_lock();
  platform::exit_process(code);
}

}  // namespace

void run_exit_routine(ExitReason reason, int code) {
  g_process.exit_code = code;
  g_process.exit_reason = reason;
  // An exit while the exit callbacks run (other than their first ExitApp,
  // see exit_app) ends the program at once.
  if (!g_callbacks_running && reason != ExitReason::Critical) {
    g_callbacks_running = true;
    bool cancel = run_exit_callbacks(builtin_variable_text(u"A_ExitReason"), code);
    g_callbacks_running = false;
    if (cancel && !g_exit_app_in_callbacks) {
      g_process.exit_reason = ExitReason::None;
      return;
    }
  }
  terminate(g_process.exit_code);
}

void exit_app(int code, bool code_given) {
  if (g_callbacks_running && !g_exit_app_in_callbacks) {
    // The exit callbacks asked for the exit they are running for: their
    // thread ends, and the program with it once they are done.
    g_exit_app_in_callbacks = true;
    if (code_given) g_process.exit_code = code;
    return;
  }
  run_exit_routine(ExitReason::Exit, code_given ? code : 0);
}

// ExitApp [ExitCode]: the running thread ends whether or not the program
// does (an exit callback may keep it).
Result cmd_exit_app(const ScriptLine& line, ExpandedArgs& args) {
  exit_app(int(text_to_int(arg_text(args, 0))), line.arg_count > 0);
  return ResultExitThread;
}

void critical_error(StringView message) {
  String text = String(orv::message(Msg::CriticalErrorHeading)) + u": " + String(message) + u"\n\n" +
                String(orv::message(Msg::ProgramWillExit));
  platform::message_box(text, g_process.script_name, platform::MbSetForeground);
  platform::destroy_main_window();
  platform::exit_process(2);
}

}  // namespace orv
