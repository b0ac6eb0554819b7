// What runs when the program is about to end: the label set by the OnExit
// command, or the functions registered with OnExit().
#pragma once

#include "base/result.h"
#include "base/text.h"
#include "runtime/value.h"

namespace orv {

struct Label;
struct Func;
class IObject;

// OnExit, Label: sets the exit label (null clears it).
void set_exit_label(Label* label);

// Runs the exit label or functions in a thread of their own with the reason
// and the exit code; true when they cancel the exit (a label that does not
// call ExitApp, or a function that returns true). False when nothing is
// registered.
bool run_exit_callbacks(StringView reason, int code);
bool has_exit_callbacks();

}  // namespace orv
