// FileAppend: text to a file, or to standard output ("*") or error ("**").
#pragma once

#include "base/result.h"

namespace orv {

struct ExpandedArgs;

Result file_append(const ExpandedArgs& args);

}  // namespace orv
