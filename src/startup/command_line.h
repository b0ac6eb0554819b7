// The command line: switches until the first script parameter, then
// script parameters only.
#pragma once

#include <vector>

#include "base/text.h"

namespace orv {

struct CommandLine {
  bool restart = false;
  bool force = false;
  bool error_stdout = false;
  std::vector<String> script_params;
};

CommandLine parse_command_line(const std::vector<String>& args);

}  // namespace orv
