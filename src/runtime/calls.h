// Calling functions from expressions.
#pragma once

#include <cstddef>

#include "base/result.h"
#include "runtime/value.h"

namespace orv {

// Calls the function of `call` with `argc` values; `dynamic_name` (for a
// function named at run time) holds its name. The result is left in `result`.
Result call_function(const CallRecord& call, ExprToken* dynamic_name, ExprToken* args, size_t argc, ExprToken& result);

}  // namespace orv
