#include "library/msgbox_commands.h"

#include "base/messages.h"
#include "events/message_pump.h"
#include "runtime/thread_settings.h"
#include "runtime/message_box.h"
#include "runtime/errors.h"
#include "runtime/executor.h"
#include "runtime/numbers.h"

namespace orv {

namespace {

struct AnswerWord {
  const char16_t* word;
  int code;
};

constexpr AnswerWord kAnswerWords[] = {
    {u"OK", platform::IdOk},         {u"Cancel", platform::IdCancel},     {u"Abort", platform::IdAbort},
    {u"Retry", platform::IdRetry},   {u"Ignore", platform::IdIgnore},     {u"Yes", platform::IdYes},
    {u"No", platform::IdNo},         {u"TryAgain", platform::IdTryAgain}, {u"Continue", platform::IdContinue},
    {u"Timeout", kMsgBoxTimeout},
};

}  // namespace

bool msgbox_answer_code(StringView word, int& code) {
  for (const AnswerWord& a : kAnswerWords) {
    if (equals_ignore_case(word, a.word)) {
      code = a.code;
      return true;
    }
  }
  return false;
}

Result msgbox_answered(StringView word) {
  int code = 0;
  if (!msgbox_answer_code(trim(word), code)) return report_runtime_error(message(Msg::ParamInvalid1), word);
  return g_thread->msgbox_result == code ? ResultConditionTrue : ResultConditionFalse;
}

Result msgbox_command(const ExpandedArgs& args) {
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
