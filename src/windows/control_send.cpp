// ControlSend and ControlSendRaw: a key string posted as key and character
// messages to one control, whether or not its window is active.
#include "input/send_keys.h"
#include "runtime/error_level.h"
#include "runtime/executor.h"
#include "runtime/script_line.h"
#include "windows/control_target.h"
#include "windows/window_commands.h"
#include "windows/window_search.h"

namespace orv {

// ControlSend [, Control, Keys, WinTitle, WinText, ExcludeTitle, ExcludeText].
// A blank Control sends to the window itself.
Result cmd_control_send(const ScriptLine& line, ExpandedArgs& args) {
  WindowQuery q = query_of(args, 2);
  WindowHandle target = trim(arg_text(args, 0)).empty() ? target_window(q) : control_of(q, arg_text(args, 0));
  if (!target) return set_error_level(1);
  SendOverrides overrides;
  overrides.desktop = &desktop();  // the one the control was found on
  Result r = send_key_string(arg_text(args, 1), line.action == CmdControlSendRaw, SendMode::Event, target, overrides);
  if (!r) return r;
  return set_error_level(0);
}

}  // namespace orv
