// Built-in variables: the table of their names, and how they are read.
//
// The table has two runs, each sorted case-insensitively for bisection: the
// few names without prefix (Clipboard, True ...), and the names that follow
// "A_", stored without it. A name that starts with "A_" but is not in the
// second run is an ordinary variable.
//
// Each built-in variable is read through its producer (see BuiltinProducer):
// one routine serves a whole family of names and tells them apart by name.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/text.h"
#include "runtime/variable.h"

namespace orv {

struct BuiltinVariable {
  const char16_t* name;
  VarType type;               // Clipboard, ClipboardAll or Builtin
  BuiltinProducer producer;   // Builtin only
};

// Null for a name that is not built-in.
const BuiltinVariable* find_builtin_variable(StringView name);

// The current text of a produced built-in such as A_AppData; empty for any
// other name.
String builtin_variable_text(const char16_t* name);

// The two runs of the table, for checking their order.
struct BuiltinVariableRun {
  const BuiltinVariable* entries;
  size_t count;
};
BuiltinVariableRun builtin_variables_plain();
BuiltinVariableRun builtin_variables_prefixed();

// A_Index and A_EventInfo, which expressions read as integers straight from
// the thread; false for every other variable.
bool builtin_variable_integer(const Variable& var, int64_t& out);

}  // namespace orv
