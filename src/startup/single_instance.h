// The single-instance protocol between a new instance of a script and one
// that is already running.
#pragma once

#include "runtime/script_program.h"

namespace orv {

enum class InstanceDecision { Continue, ExitQuietly, Fail };

InstanceDecision resolve_single_instance(const ScriptProgram& program);

}  // namespace orv
