// ErrorLevel: how commands report ordinary outcomes to the script.
#pragma once

#include <cstdint>

#include "base/result.h"

namespace orv {

Result set_error_level(int64_t value);

}  // namespace orv
