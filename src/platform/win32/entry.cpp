// The Windows program's arguments come from its own command line, in UTF-16,
// not from the C runtime's narrow argv.
#include <windows.h>
#include <shellapi.h>

#include "platform/platform.h"

namespace orv::platform {

int run_entry(int, char**, ProgramEntry program) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<String> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
  LocalFree(argv);
  return program(args);
}

}  // namespace orv::platform
