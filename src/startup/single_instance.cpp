#include "startup/single_instance.h"

#include "base/messages.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "runtime/process_state.h"

namespace orv {

namespace {

// Waits for the old instance's window to go away, asking every 5 seconds
// whether to keep waiting.
InstanceDecision wait_for_old_instance(platform::WindowHandle old) {
  int polls = 0;
  while (platform::window_exists(old)) {
    platform::sleep_ms(50);
    if (++polls >= 100) {
      int answer = platform::message_box(message(Msg::OldInstanceStillOpen), g_process.script_name, platform::MbYesNo);
      if (answer == platform::IdNo) return InstanceDecision::Fail;
      polls = 0;
    }
  }
  platform::sleep_ms(100);
  return InstanceDecision::Continue;
}

}  // namespace

InstanceDecision resolve_single_instance(const ScriptProgram& program) {
  SingleInstanceMode mode = program.directives.single_instance;
  if (mode == SingleInstanceMode::NotGiven && (program.has_hotkeys_or_hotstrings() || program.directives.persistent))
    mode = SingleInstanceMode::Prompt;
  if ((mode == SingleInstanceMode::NotGiven || mode == SingleInstanceMode::Off) && !g_process.restart)
    return InstanceDecision::Continue;

  if (g_process.restart) {
    platform::WindowHandle old = platform::find_instance_window(g_process.main_window_title);
    if (!old) return InstanceDecision::Continue;
    platform::post_message(old, platform::program_message::kSingleInstance, platform::program_message::kSingleInstanceReload, 0);
    return wait_for_old_instance(old);
  }
  if (g_process.force) return InstanceDecision::Continue;
  platform::WindowHandle old = platform::find_instance_window(g_process.main_window_title);
  if (!old) return InstanceDecision::Continue;
  if (mode == SingleInstanceMode::Ignore) return InstanceDecision::ExitQuietly;
  if (mode == SingleInstanceMode::Prompt) {
    int answer = platform::message_box(message(Msg::ReplaceOldInstance), g_process.script_name, platform::MbYesNo);
    if (answer == platform::IdNo) return InstanceDecision::ExitQuietly;
  }
  platform::post_message(old, platform::program_message::kSingleInstance, platform::program_message::kSingleInstanceReplace, 0);
  return wait_for_old_instance(old);
}

}  // namespace orv
