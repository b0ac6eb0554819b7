#include "runtime/process_state.h"

#include <atomic>
#include <thread>

#include "platform/platform.h"

namespace orv {

ProcessState g_process;

namespace {
void (*g_exit_routine)(ExitReason, int) = nullptr;
std::atomic<bool> g_thread_noted{false};
std::thread::id g_script_thread;
}  // namespace

void note_script_thread() {
  g_script_thread = std::this_thread::get_id();
  g_thread_noted.store(true, std::memory_order_release);
}

bool on_script_thread() {
  return !g_thread_noted.load(std::memory_order_acquire) || std::this_thread::get_id() == g_script_thread;
}

void exit_program(ExitReason reason, int code) {
  if (!g_exit_routine) platform::exit_process(code);
  g_exit_routine(reason, code);
}

void set_exit_routine(void (*routine)(ExitReason, int)) { g_exit_routine = routine; }

}  // namespace orv
