// The condition of an if line: the expression form and the legacy forms
// (comparisons, between, in, contains, is).
#pragma once

#include "base/result.h"

namespace orv {

struct ScriptLine;

// ResultConditionTrue, ResultConditionFalse, or ResultFailed after an error.
Result evaluate_condition(const ScriptLine& line);

}  // namespace orv
