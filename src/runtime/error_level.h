// ErrorLevel: how commands report ordinary outcomes to the script.
#pragma once

#include <cstdint>

#include "base/result.h"

namespace orv {

Result set_error_level(int64_t value);

// Windows' ERROR_INVALID_PARAMETER: what A_LastError says when a command
// refuses its parameters before any system call.
inline constexpr uint32_t kErrorInvalidParameter = 87;

// A failed command: ErrorLevel 1, and `error` (a Windows error code) as the
// thread's A_LastError.
Result fail_with_last_error(uint32_t error);

}  // namespace orv
