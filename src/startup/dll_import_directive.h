// #DllImport: declares a script-callable function that calls native code.
#pragma once

#include "base/text.h"
#include "startup/script_reader.h"

namespace orv {

struct ScriptProgram;

// `arg` is the directive's text after its name; `line` the whole line, for
// messages. An unknown type name leaves the line unrecognised.
DirectiveOutcome define_dll_import(ScriptProgram& program, StringView arg, StringView line);

}  // namespace orv
