// Showing a message box the way the script and the program's own error
// reports do: the limit on boxes open at once, the title and length rules,
// and the time-out in seconds.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/text.h"
#include "platform/platform.h"

namespace orv {

// The answer of a box that closed by its time-out, as scripts see it.
inline constexpr int kMsgBoxTimeout = -2;

// Boxes open at once; the one that would go beyond shows a notice instead.
inline constexpr int kMaxOpenMessageBoxes = 7;

struct MessageBoxRequest {
  StringView text;
  StringView title;  // empty: the script's file name
  uint32_t style = 0;  // the system's message-box style bits
  double timeout_seconds = 0;  // 0: none
  platform::WindowHandle owner = 0;
};

struct MessageBoxAnswer {
  // The button (platform::IdOk ...), kMsgBoxTimeout, or 0 when no box
  // answered: too many were open, or the system refused this one.
  int code = 0;
  bool refused = false;  // the system would not show a box of this style
};

// What puts the box on the screen; tests stand in their own.
using MessageBoxDisplay = int (*)(StringView text, StringView title, uint32_t style, uint32_t timeout_ms,
                                  platform::WindowHandle owner);

// Shows the box and waits for its answer. Other pseudo-threads may run and
// show boxes of their own meanwhile.
MessageBoxAnswer show_message_box(const MessageBoxRequest& request,
                                  MessageBoxDisplay display = platform::message_box);

// The number of boxes open now.
int open_message_boxes();

// A time-out in seconds as the system takes it: 0 is none, a negative one
// is a tenth of a second, and the longest is 2147483 seconds.
uint32_t message_box_timeout_ms(double seconds);

// The answer code an IfMsgBox word names ("Yes", "Timeout" ..., in any
// letter case); false for a word that names none.
bool msgbox_answer_code(StringView word, int& code);

// IfMsgBox: whether the running thread's last box was answered as `word`
// says. ResultConditionTrue or ResultConditionFalse, or ResultFailed after
// reporting a word that names no answer.
Result msgbox_answered(StringView word);

}  // namespace orv
