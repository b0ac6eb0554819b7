#include "startup/exit.h"

#include "platform/platform.h"
#include "startup/process_state.h"

namespace orv {

namespace {

ExitReason g_exit_reason = ExitReason::None;

[[noreturn]] void terminate(int code) {
  platform::destroy_main_window();
  platform::remove_tray_icon();
  platform::restore_foreground_lock();
  platform::exit_process(code);
}

}  // namespace

ExitReason exit_reason() { return g_exit_reason; }

void exit_program(ExitReason reason, int code) {
  g_process.exit_code = code;
  g_exit_reason = reason;
  // Exit callbacks run here once the event subsystem exists; until a script
  // can register one there is nothing to run.
  terminate(code);
}

void critical_error(StringView message) {
  String text = u"Critical Error: " + String(message) + u"\n\nThe program will exit.";
  platform::message_box(text, g_process.script_name, platform::MbSetForeground);
  platform::destroy_main_window();
  platform::exit_process(2);
}

}  // namespace orv
