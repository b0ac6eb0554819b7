// Built-in variables read from expressions and commands.
#pragma once

#include "base/result.h"
#include "base/text.h"
#include "runtime/value.h"

namespace orv {

// The value of a built-in variable as a token (text in temporary memory).
Result builtin_variable_value(StringView name, ExprToken& out);

struct Variable;
// The producer of every variable of the built-in type: its text by name.
size_t produce_builtin_variable(char16_t* dest, const Variable& var);

}  // namespace orv
