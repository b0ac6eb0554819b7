// Warnings: reports that do not stop the script, each class sent where its
// #Warn directive says (nowhere, the debugger, the debugger and a dialog, or
// standard output).
#pragma once

#include "base/text.h"
#include "runtime/script_program.h"

namespace orv {

struct ScriptLine;
struct Variable;

// Reports at `line`; without one, at the running thread's line, or else at
// the line being loaded.
void warning(const ScriptProgram& program, WarnMode mode, StringView message, StringView extra = {},
             const ScriptLine* line = nullptr);

// A read found `var` (the alias target) empty and still uninitialised.
// Warns once per variable in message-box mode, on every read otherwise.
void warn_unset_variable(Variable& var);

// A read of the empty variable `var` took its value from the environment.
void warn_env_variable(const Variable& var);

// At load time: a function's undeclared local shares its name with a global.
void warn_local_same_as_global(StringView local_name, StringView function_name, const ScriptLine* line);

}  // namespace orv
