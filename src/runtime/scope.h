// Finding and creating variables by name.
#pragma once

#include "base/text.h"

namespace orv {

struct ScriptProgram;
struct Variable;
struct Func;

// The variable a name written in the script refers to, created when it does
// not exist yet. Null after an error was reported (bad or too long name).
Variable* find_or_add_variable(ScriptProgram& program, StringView name);
// A name built at run time and only read: inside a function that has no
// local of that name, an existing global answers (programs read global
// pseudo-arrays this way); otherwise as find_or_add_variable, so that a
// name never seen is still created local.
Variable* find_dynamic_to_read(ScriptProgram& program, StringView name);
// Null when there is none; nothing is created but the record of a built-in
// variable named for the first time.
Variable* find_variable(ScriptProgram& program, StringView name);
// The global of that name, created when missing.
Variable* find_global_or_add(ScriptProgram& program, StringView name);
// A function's own local or static of that name.
Variable* find_local_variable(Func& f, StringView name);

// Names of built-in variables that are constants the compiler folds:
// True, False, Null, PtrSize, Is64bitOS, IsCompiled, IsUnicode.
bool constant_builtin(StringView name, int64_t& value);
// Whether a name is in the built-in variable table (see builtin_vars.h).
bool is_builtin_variable_name(StringView name);

}  // namespace orv
