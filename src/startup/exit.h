// The two ways the program ends: the orderly exit routine, and the critical
// error, which skips the exit callbacks.
#pragma once

#include "base/text.h"

namespace orv {

enum class ExitReason { None, Logoff, Shutdown, Close, Error, Menu, Exit, Reload, SingleInstance, Critical };

[[noreturn]] void exit_program(ExitReason reason, int code);
// Why the program is ending, for the exit callbacks; None while it is not.
ExitReason exit_reason();
[[noreturn]] void critical_error(StringView message);

}  // namespace orv
