#include "runtime/message_box.h"

#include "base/messages.h"
#include "runtime/errors.h"
#include "runtime/process_state.h"
#include "runtime/thread_settings.h"

namespace orv {

namespace {

constexpr size_t kMaxTextLength = 8191;
constexpr size_t kMaxTitleLength = 1023;
constexpr double kMaxTimeoutSeconds = 2147483;
constexpr char16_t kFallbackTitle[] = u"Orvanta v1.1.24.04";

// Main thread only, like every box the program shows.
int g_open_boxes = 0;

// Cut to at most `max` characters, never between the halves of a pair.
StringView cut(StringView text, size_t max) {
  if (text.size() <= max) return text;
  size_t n = max;
  if (is_high_surrogate(text[n - 1]) && is_low_surrogate(text[n])) --n;
  return text.substr(0, n);
}

StringView title_or_default(StringView title) {
  if (!title.empty()) return title;
  if (!g_process.script_name.empty()) return g_process.script_name;
  return kFallbackTitle;
}

// Holds one place among the open boxes while a box is up.
class OpenBox {
 public:
  OpenBox() { ++g_open_boxes; }
  ~OpenBox() { --g_open_boxes; }
  OpenBox(const OpenBox&) = delete;
  OpenBox& operator=(const OpenBox&) = delete;
};

}  // namespace

int open_message_boxes() { return g_open_boxes; }

uint32_t message_box_timeout_ms(double seconds) {
  if (seconds == 0) return 0;
  if (!(seconds > 0)) return 100;
  if (seconds > kMaxTimeoutSeconds) seconds = kMaxTimeoutSeconds;
  // A time-out too short to count in milliseconds is still a time-out, not
  // none at all.
  uint32_t ms = uint32_t(seconds * 1000);
  return ms == 0 ? 1 : ms;
}

MessageBoxAnswer show_message_box(const MessageBoxRequest& given, MessageBoxDisplay display) {
  // A script window that owns the thread's dialogs (+OwnDialogs) owns the box.
  MessageBoxRequest request = given;
  if (!request.owner && g_thread && g_thread->dialog_owner && platform::window_exists(g_thread->dialog_owner))
    request.owner = g_thread->dialog_owner;
  // While the notice is up, a further box would only hide it.
  if (g_open_boxes > kMaxOpenMessageBoxes) return MessageBoxAnswer{};
  if (g_open_boxes == kMaxOpenMessageBoxes) {
    // The program's notice, under the program's title rather than the box's.
    OpenBox notice;
    display(message(Msg::TooManyMessageBoxes), title_or_default(StringView()), platform::MbSetForeground, 0,
            request.owner);
    return MessageBoxAnswer{};
  }
  StringView title = cut(title_or_default(request.title), kMaxTitleLength);
  uint32_t timeout_ms = message_box_timeout_ms(request.timeout_seconds);
  int button;
  {
    OpenBox box;
    button = display(cut(request.text, kMaxTextLength), title, request.style, timeout_ms, request.owner);
  }
  MessageBoxAnswer answer;
  if (button == platform::IdTimeout) answer.code = kMsgBoxTimeout;
  else if (button == 0) answer.refused = true;
  else answer.code = button;
  return answer;
}

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

}  // namespace orv
