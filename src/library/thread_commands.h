// Commands that change the running thread's settings: SetFormat,
// StringCaseSense, AutoTrim.
#pragma once

#include "base/text.h"

namespace orv {

// "On" (1), "Off" (0) or a number (non-zero means on); -1 for anything else.
int on_off_setting(StringView s);

// Load-time check of SetFormat's plain parameters; false when invalid, with
// `bad_param` telling which (1 or 2).
bool valid_set_format(StringView type, StringView format, int& bad_param);

}  // namespace orv
