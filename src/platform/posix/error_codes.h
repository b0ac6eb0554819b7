// The headless host reports failures with the Windows error codes scripts
// compare A_LastError with.
#pragma once

#include <cstdint>

namespace orv::platform {

// The Windows error code (winerror.h) nearest to an errno value.
uint32_t windows_error(int error);

}  // namespace orv::platform
