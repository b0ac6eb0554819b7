#include "startup/command_line.h"

namespace orv {

CommandLine parse_command_line(const std::vector<String>& args) {
  CommandLine cl;
  size_t i = 0;
  for (; i < args.size(); ++i) {
    const String& a = args[i];
    if (equals_ignore_case(a, u"/R") || equals_ignore_case(a, u"/restart")) cl.restart = true;
    else if (equals_ignore_case(a, u"/F") || equals_ignore_case(a, u"/force")) cl.force = true;
    else if (equals_ignore_case(a, u"/ErrorStdOut")) cl.error_stdout = true;
    else break;
  }
  cl.script_params.assign(args.begin() + long(i), args.end());
  return cl;
}

}  // namespace orv
