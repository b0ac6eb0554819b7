#include "startup/exit.h"

#include <vector>

#include "base/messages.h"
#include "events/exit_callbacks.h"
#include "events/host_calls.h"
#include "gui/gui_fonts.h"
#include "gui/gui_window.h"
#include "input/hotkeys.h"
#include "platform/platform.h"
#include "runtime/builtin_vars.h"
#include "runtime/executor.h"
#include "runtime/numbers.h"
#include "runtime/object_audit.h"
#include "runtime/process_state.h"
#include "runtime/text_stream.h"

namespace orv {

namespace {

bool g_callbacks_running = false;
bool g_exit_app_in_callbacks = false;

// What the leak checker ends a leaking run with.
constexpr int kLeakExitCode = 23;

void report_objects(StringView heading, const std::vector<const UnaccountedObject*>& objects) {
  constexpr size_t kMostListed = 20;
  String text = u"ERROR: " + int_to_text(int64_t(objects.size())) + (objects.size() == 1 ? u" object " : u" objects ") +
                String(heading) + u":\n";
  for (size_t i = 0; i < objects.size() && i < kMostListed; ++i) {
    const UnaccountedObject& o = *objects[i];
    text += u"  " + o.type + u": " + int_to_text(o.count) + (o.count == 1 ? u" reference, " : u" references, ") +
            int_to_text(o.held) + u" held\n";
  }
  if (objects.size() > kMostListed) text += u"  and " + int_to_text(int64_t(objects.size() - kMostListed)) + u" more\n";
  platform::write_stderr(text);
}

// Sanitizer builds: objects whose counts their holders do not account for
// fail the run as a leak does. True when there were any.
bool report_unaccounted_objects() {
  std::vector<UnaccountedObject> found;
  if (!audit_references(found) || found.empty()) return false;
  std::vector<const UnaccountedObject*> alive, overdrawn;
  for (const UnaccountedObject& o : found) (o.count > o.held ? alive : overdrawn).push_back(&o);
  if (!alive.empty()) report_objects(u"still alive at exit with references nothing holds", alive);
  if (!overdrawn.empty()) report_objects(u"at exit with fewer references than their holders let go of", overdrawn);
  return true;
}

// What open streams still hold goes to their files, whatever holds the
// streams (a local, a cycle of objects, a thread cut short). A run whose
// output did not all arrive did not succeed.
int flush_open_files(int code) {
  if (TextStream::flush_all() == 0) return code;
  platform::write_stderr(String(orv::message(Msg::UnwrittenAtExit)) + u"\n");
  return code == 0 ? 1 : code;
}

[[noreturn]] void terminate(int code) {
  // Hosts get their not-ready answers from here on, not a window that is gone.
  host::set_ready(false);
  code = flush_open_files(code);
  remove_hotkeys();
  destroy_all_guis();
  destroy_all_fonts();
  platform::destroy_main_window();
  platform::remove_tray_icon();
  platform::restore_foreground_lock();
  if (report_unaccounted_objects()) code = kLeakExitCode;
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
  (void)flush_open_files(2);
  platform::destroy_main_window();
  platform::exit_process(2);
}

}  // namespace orv
