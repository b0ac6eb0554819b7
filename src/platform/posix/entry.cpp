// orvanta-run, the headless native host, runs a script file as the Windows
// program runs its stored script: orvanta-run SCRIPT [switches and script
// parameters].
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>

#include "platform/platform.h"
#include "platform/posix/headless.h"

namespace orv::platform {

namespace {

struct HostRun {
  ProgramEntry program;
  std::vector<String> args;
  int exit_code = 0;
};

void* run_script(void* p) {
  auto* run = static_cast<HostRun*>(p);
  run->exit_code = run->program(run->args);
  return nullptr;
}

}  // namespace

int run_entry(int argc, char** argv, ProgramEntry program) {
  if (argc < 2) {
    fprintf(stderr, "usage: orvanta-run SCRIPT [switches and script parameters]\n");
    return 2;
  }
  char* full = realpath(argv[1], nullptr);
  if (!full) {
    fprintf(stderr, "orvanta-run: cannot open '%s'\n", argv[1]);
    return 2;
  }
  set_script_path(utf8_to_utf16(full));
  free(full);
  HostRun run{program, {}, 0};
  for (int i = 2; i < argc; ++i) run.args.push_back(utf8_to_utf16(argv[i]));
  // The script runs on a thread with a stack as large as the Windows
  // program reserves, so that deep recursion behaves the same on both.
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, size_t(256) << 20);
  pthread_t thread;
  if (pthread_create(&thread, &attr, run_script, &run) != 0) return run_script(&run), run.exit_code;
  pthread_join(thread, nullptr);
  return run.exit_code;
}

}  // namespace orv::platform
