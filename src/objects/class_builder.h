// Builds the class objects of the script once it has been read.
#pragma once

#include "base/result.h"

namespace orv {

struct ScriptProgram;

Result build_classes(ScriptProgram& program);

}  // namespace orv
