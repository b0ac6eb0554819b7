// The start-up sequence, from the command line to the message loop.
#pragma once

#include <vector>

#include "base/text.h"

namespace orv {

// Runs the program with its command-line arguments (argument 1 onward);
// returns the process exit code when start-up ends without entering the
// message loop.
int run_program(const std::vector<String>& args);

}  // namespace orv
