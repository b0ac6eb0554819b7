// orvanta-run: the headless native host. It runs a script file as the
// Windows program runs its stored script: orvanta-run SCRIPT [switches and
// script parameters].
#include <stdio.h>
#include <stdlib.h>

#include "platform/posix/headless.h"
#include "startup/startup.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: orvanta-run SCRIPT [switches and script parameters]\n");
    return 2;
  }
  char* full = realpath(argv[1], nullptr);
  if (!full) {
    fprintf(stderr, "orvanta-run: cannot open '%s'\n", argv[1]);
    return 2;
  }
  orv::platform::set_script_path(orv::utf8_to_utf16(full));
  free(full);
  std::vector<orv::String> args;
  for (int i = 2; i < argc; ++i) args.push_back(orv::utf8_to_utf16(argv[i]));
  return orv::run_program(args);
}
