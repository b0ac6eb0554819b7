// Commands that change the running thread's settings: SetFormat,
// StringCaseSense, AutoTrim.
#pragma once

#include "base/result.h"
#include "base/text.h"

namespace orv {

struct ExpandedArgs;

Result set_format(const ExpandedArgs& args);
Result string_case_sense(const ExpandedArgs& args);
Result auto_trim(const ExpandedArgs& args);

// Load-time check of SetFormat's plain parameters; false when invalid, with
// `bad_param` telling which (1 or 2).
bool valid_set_format(StringView type, StringView format, int& bad_param);

}  // namespace orv
