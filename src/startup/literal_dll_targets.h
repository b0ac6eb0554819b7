// DllCall("Library\Function", ...) with the target written as a literal:
// the address is looked up once, while loading, instead of on every call.
#pragma once

namespace orv {

struct ScriptProgram;

// Replaces each literal target that names a function that can be found by
// the function's address as an integer; the others stay as written and are
// looked up when the call runs, as before. Runs once calls are bound, so
// that a script's own function named DllCall is left alone.
void resolve_literal_dll_targets(ScriptProgram& program);

}  // namespace orv
