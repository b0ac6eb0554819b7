// Function definitions: "Name(params)" lines whose body follows in braces.
#pragma once

#include "base/result.h"
#include "base/text.h"

namespace orv {

struct ScriptProgram;
struct Func;

// Parses the definition (its "{" already removed) and adds the function to
// the table. `class_name` is the full dotted class name for a method (empty
// outside classes); `accessor` is u"Get" or u"Set" for a property accessor,
// whose name is then "Class.Property.Get" and whose parameters come from the
// property line.
Result define_function(ScriptProgram& program, StringView line, StringView class_name, Func*& out);

// Turns undeclared locals that share a super-global's name into aliases of
// it, and warns (#Warn LocalSameAsGlobal) about those sharing a plain
// global's name.
void link_locals_to_globals(ScriptProgram& program);

// Binds every call written by name to its function, now that all are known.
Result bind_calls(ScriptProgram& program);

}  // namespace orv
