// The two ways the program ends: the orderly exit routine, and the critical
// error, which skips the exit callbacks.
#pragma once

#include "base/text.h"

namespace orv {

enum class ExitReason { None, Exit, Error, Reload, SingleInstance, Menu, Critical };

[[noreturn]] void exit_program(ExitReason reason, int code);
[[noreturn]] void critical_error(StringView message);

}  // namespace orv
