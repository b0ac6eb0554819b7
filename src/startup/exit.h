// The two ways the program ends: the orderly exit routine, and the critical
// error, which skips the exit callbacks.
#pragma once

#include "base/text.h"

namespace orv {

enum class ExitReason { None, Logoff, Shutdown, Close, Error, Menu, Exit, Reload, SingleInstance, Critical };

// The exit routine: runs the exit callbacks, then ends the process. It
// returns only when a callback cancelled the exit.
void exit_program(ExitReason reason, int code);
// ExitApp: the exit routine, except inside the exit callbacks, where it
// ends their thread and lets the program end when they finish. True when
// the calling thread must end.
void exit_app(int code, bool code_given);
// Why the program is ending, for the exit callbacks; None while it is not.
ExitReason exit_reason();
[[noreturn]] void critical_error(StringView message);

}  // namespace orv
