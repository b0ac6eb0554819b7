// The execution engine: runs lines from a starting line until a Return or
// Exit ends the thread.
#pragma once

#include "base/result.h"
#include "parser/script_program.h"

namespace orv {

Result execute_from(ScriptProgram& program, ScriptLine* start);

}  // namespace orv
