// The function table: every function the script can call by name, sorted
// case-insensitively. Built-in functions are added the first time a script
// names them, so the table holds only what is used.
#pragma once

#include "base/text.h"
#include "runtime/func.h"

namespace orv {

struct ScriptProgram;

// The function of that name, creating a built-in on first use; null when
// there is none.
Func* find_function(ScriptProgram& program, StringView name);
// Only functions already in the table (script functions and built-ins used so far).
Func* find_defined_function(const ScriptProgram& program, StringView name, size_t* insert_at = nullptr);
// Adds a script function; the caller has checked for duplicates.
Func* add_script_function(ScriptProgram& program, StringView name, size_t insert_at);

inline constexpr int kUnlimitedParams = 10000;

}  // namespace orv
