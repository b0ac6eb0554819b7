// The headless host reports failures with the Windows error codes scripts
// compare A_LastError with.
#pragma once

#include <cstdint>

namespace orv::platform {

// The Windows error code (winerror.h) nearest to an errno value.
uint32_t windows_error(int error);

// For the calls that fail with a reason: sets last_error() to `error`, or
// to errno's, and gives false.
bool fail_with(uint32_t error);
bool fail_with_errno();
// For the calls that succeed: last_error() is cleared, as Windows leaves it
// after these calls, and the result is true.
bool succeed();

}  // namespace orv::platform
