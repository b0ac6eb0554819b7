// The two ways the program ends: the orderly exit routine, and the critical
// error, which skips the exit callbacks.
#pragma once

#include "base/text.h"
#include "runtime/process_state.h"

namespace orv {

// The exit routine (see exit_program); start-up installs it.
void run_exit_routine(ExitReason reason, int code);
// ExitApp: the exit routine, except inside the exit callbacks, where it
// ends their thread and lets the program end when they finish.
void exit_app(int code, bool code_given);
[[noreturn]] void critical_error(StringView message);

}  // namespace orv
