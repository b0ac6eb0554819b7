#include "runtime/thread_settings.h"

namespace orv {

namespace {
// Until the first pseudo-thread is pushed (and in the unit tests) the
// formats and settings of a fresh thread apply.
ThreadSettings g_startup_thread;
}  // namespace

ThreadSettings* g_thread = &g_startup_thread;
ThreadSettings g_thread_defaults;

void capture_thread_defaults() { capture_thread_defaults(*g_thread); }

void capture_thread_defaults(const ThreadSettings& from) {
  ThreadSettings d = from;
  d.loop_index = 0;
  d.loop_field.clear();
  d.loop_read_line.clear();
  d.loop_file = nullptr;
  d.loop_reg = nullptr;
  d.loop_output = nullptr;
  d.current_line = nullptr;
  d.current_func = nullptr;
  d.current_label = nullptr;
  d.in_try = false;
  d.msgbox_result = 0;  // each thread answers IfMsgBox for its own boxes
  d.thrown = ThrownValue();
  g_thread_defaults = std::move(d);
}

}  // namespace orv
