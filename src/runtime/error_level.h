// ErrorLevel: how commands report ordinary outcomes to the script.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/text.h"

namespace orv {

Result set_error_level(int64_t value);
// A word instead of a number, for the commands whose failure has a name.
Result set_error_level_text(StringView value);

// A failed command: ErrorLevel 1, and `error` (a Windows error code) as the
// thread's A_LastError; platform::ErrorInvalidParameter where a command
// refuses its parameters before any system call.
Result fail_with_last_error(uint32_t error);

// ErrorLevel 0 or 1 as the command went, and whatever the system last said
// as A_LastError either way.
Result report_with_system_error(bool ok);

}  // namespace orv
