// The MsgBox command.
#include "base/messages.h"
#include "events/message_pump.h"
#include "runtime/errors.h"
#include "runtime/executor.h"
#include "runtime/message_box.h"
#include "runtime/numbers.h"
#include "runtime/thread_settings.h"

namespace orv {

// MsgBox with no parameter, with its text alone, or with Options, Title,
// Text and Timeout. The answer becomes the running thread's last result.
Result cmd_msgbox(const ScriptLine&, ExpandedArgs& args) {
  // Copies, not views of the arguments: other threads may run lines while
  // the box is open.
  String options, title, text;
  if (args.count == 0) text = message(Msg::PressOkToContinue);
  else if (args.count == 1) text = args.text[0];
  else {
    options = trim(args.text[0]);
    title = args.text[1];
    if (args.count > 2) text = args.text[2];
  }
  MessageBoxRequest request;
  request.text = text;
  request.title = title;
  request.style = uint32_t(text_to_int(options)) | platform::MbSetForeground;
  request.timeout_seconds = args.count > 3 ? text_to_double(args.text[3]) : 0;

  // Keys already typed belong to what was there before the box.
  pump_messages(-1, PumpMode::Drain);
  // Timers and hotkeys keep running while the box is open, on top of this
  // thread: it is interruptible and not critical until the box closes.
  ThreadSettings& thread = *g_thread;
  bool was_critical = thread.is_critical, was_interruptible = thread.allow_interruption;
  thread.is_critical = false;
  thread.allow_interruption = true;
  MessageBoxAnswer answer = show_message_box(request);
  thread.is_critical = was_critical;
  thread.allow_interruption = was_interruptible;

  // A box that never appeared leaves no answer behind, rather than the one
  // before it.
  thread.msgbox_result = answer.code;
  if (answer.refused) return report_runtime_error(message(Msg::ParamInvalid1), options);
  return ResultDone;
}

}  // namespace orv
