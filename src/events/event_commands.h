// The commands of threads and events: Sleep, SetTimer, Critical, Thread,
// Pause, Suspend, SetBatchLines and OnExit.
#pragma once

#include "base/result.h"
#include "runtime/executor.h"

namespace orv {

Result event_command(const ScriptLine& line, ExpandedArgs& args);

}  // namespace orv
