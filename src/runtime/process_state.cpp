#include "runtime/process_state.h"

#include "platform/platform.h"

namespace orv {

ProcessState g_process;

namespace {
void (*g_exit_routine)(ExitReason, int) = nullptr;
}  // namespace

void exit_program(ExitReason reason, int code) {
  if (!g_exit_routine) platform::exit_process(code);
  g_exit_routine(reason, code);
}

void set_exit_routine(void (*routine)(ExitReason, int)) { g_exit_routine = routine; }

}  // namespace orv
