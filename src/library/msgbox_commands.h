// MsgBox and IfMsgBox: the command's parameter forms, and the words that
// name its answers.
#pragma once

#include "base/result.h"
#include "base/text.h"

namespace orv {

struct ExpandedArgs;

// MsgBox with no parameter, with its text alone, or with Options, Title,
// Text and Timeout. The answer becomes the running thread's last result.
Result msgbox_command(const ExpandedArgs& args);

// The answer code an IfMsgBox word names ("Yes", "Timeout" ..., in any
// letter case); false for a word that names none.
bool msgbox_answer_code(StringView word, int& code);

// IfMsgBox: whether the running thread's last box was answered as `word`
// says. ResultConditionTrue or ResultConditionFalse, or ResultFailed after
// reporting a word that names no answer.
Result msgbox_answered(StringView word);

}  // namespace orv
