#include "events/script_threads.h"

#include <climits>
#include <vector>

#include "runtime/launch_state.h"
#include "events/message_pump.h"
#include "runtime/thread_settings.h"
#include "runtime/object.h"
#include "runtime/script_program.h"
#include "platform/platform.h"
#include "runtime/scope.h"
#include "runtime/variable.h"

namespace orv {

ThreadState g_threads;

namespace {

// Records never move once the stack exists: pointers to them (g_thread)
// stay good while threads come and go.
std::vector<ThreadSettings> g_stack;

// Threads that start while a long auto-execute section still runs get the
// settings it made in its first moments.
constexpr uint64_t kEarlyDefaultsMs = 100;
bool g_auto_execute_running = false;
bool g_early_defaults_taken = false;
uint64_t g_auto_execute_start = 0;

// ErrorLevel as a thread launch saves and restores it.
constexpr size_t kSavedErrorLevelChars = 127;

Variable* error_level() {
  static Variable* v = nullptr;
  if (!v && g_script) v = find_or_add_variable(*g_script, u"ErrorLevel");
  return v;
}

void begin_uninterruptible(ThreadSettings& t) {
  t.allow_interruption = true;
  if (t.is_critical || (g_threads.uninterruptible_time_ms && g_threads.uninterruptible_line_count)) {
    t.allow_interruption = false;
    if (!t.is_critical) {
      if (g_threads.uninterruptible_time_ms < 0) {
        t.uninterruptible_ms = -1;
      } else {
        t.uninterruptible_since = platform::tick_count();
        t.uninterruptible_ms = g_threads.uninterruptible_time_ms;
      }
    }
  }
}

// Commands a thread may start with even when the thread limit is reached,
// so that a runaway script can still be ended or looked into.
}  // namespace

void begin_auto_execute(int32_t max_threads) {
  g_threads.max_threads = max_threads;
  g_stack.clear();
  g_stack.reserve(size_t(max_threads) + 4);
  g_stack.push_back(std::move(*g_thread));
  g_thread = &g_stack.back();
  g_threads.loaded = true;
  g_threads.thread_count = 1;
  uint64_t now = platform::tick_count();
  g_threads.last_peek_tick = g_threads.last_rest_tick = now;
  // The section's first moments are its own: settings it makes right at the
  // start reach the events that follow.
  g_thread->allow_interruption = false;
  g_thread->uninterruptible_since = now;
  g_thread->uninterruptible_ms = 100;
  g_auto_execute_running = true;
  g_early_defaults_taken = false;
  g_auto_execute_start = now;
}

void end_auto_execute() {
  g_auto_execute_running = false;
  capture_thread_defaults();
  ThreadSettings& idle = *g_thread;
  idle.allow_interruption = true;
  idle.uninterruptible_ms = 0;
  idle.allow_timers = true;
  idle.is_critical = false;
  idle.is_paused = false;
  idle.priority = INT32_MIN;
  g_threads.thread_count = 0;
}

void start_thread(int32_t priority, bool push, CommandId first_action) {
  if (g_auto_execute_running && !g_early_defaults_taken &&
      platform::tick_count() - g_auto_execute_start >= kEarlyDefaultsMs) {
    capture_thread_defaults(g_stack[0]);
    g_early_defaults_taken = true;
  }
  if (push) {
    ++g_threads.thread_count;
    g_stack.push_back(g_thread_defaults);
    g_thread = &g_stack.back();
  } else {
    *g_thread = g_thread_defaults;
  }
  ThreadSettings& t = *g_thread;
  t.priority = priority;
  g_threads.lines_since_rest = 0;
  check_before_next_line();
  if (push) refresh_pause_look();
  if (!t.is_critical && first_action == CmdCritical) {
    t.is_critical = true;
    t.lines_per_batch = -1;
    t.batch_interval_ms = -1;
  }
  begin_uninterruptible(t);
}

void finish_thread(StringView saved_error_level) {
  ThreadSettings& t = *g_thread;
  // Let go of while the thread is still the current one: a __Delete may run.
  t.thrown.object.reset();
  if (t.is_paused) --g_threads.paused_thread_count;
  g_stack.pop_back();
  g_thread = &g_stack.back();
  --g_threads.thread_count;
  check_before_next_line();
  refresh_pause_look();
  if (Variable* v = error_level()) (void)v->assign(saved_error_level);
}

String save_error_level() {
  Variable* v = error_level();
  if (!v) return String();
  StringView text = v->view();
  return String(text.substr(0, kSavedErrorLevelChars));
}

bool interrupt_allowed_now() {
  if (!g_threads.loaded || g_threads.menu_active) return false;
  ThreadSettings& t = *g_thread;
  if (!t.allow_interruption && !t.is_critical && t.uninterruptible_ms >= 0 &&
      platform::tick_count() - t.uninterruptible_since >= uint64_t(t.uninterruptible_ms))
    t.allow_interruption = true;
  return t.allow_interruption;
}

void refresh_pause_look() {
  static bool shown_paused = false, shown_suspended = false;
  bool paused = g_thread->is_paused, suspended = g_launch.hotkeys_suspended;
  if (paused == shown_paused && suspended == shown_suspended) return;
  shown_paused = paused;
  shown_suspended = suspended;
  platform::show_pause_state(paused, suspended);
}

ThreadSettings* underlying_thread() { return g_stack.size() > 1 ? &g_stack[g_stack.size() - 2] : nullptr; }

bool can_push_thread() { return !g_stack.empty() && g_stack.size() < g_stack.capacity(); }

bool always_allowed(CommandId id) {
  switch (id) {
    case CmdExitApp: case CmdPause: case CmdEdit: case CmdReload:
    case CmdKeyHistory: case CmdListLines: case CmdListVars: case CmdListHotkeys:
      return true;
    default:
      return false;
  }
}

bool thread_gate(int32_t priority, CommandId first_action) {
  if (!can_push_thread()) return false;
  if (g_threads.thread_count >= g_threads.max_threads &&
      !(g_threads.thread_count < g_threads.max_threads + 2 && always_allowed(first_action)))
    return false;
  return priority >= g_thread->priority;
}

void set_critical(bool on, int32_t interval_ms) {
  ThreadSettings& t = *g_thread;
  check_before_next_line();
  if (on) {
    t.is_critical = true;
    t.peek_interval_ms = interval_ms;
    t.allow_interruption = false;
    t.lines_per_batch = -1;
    t.batch_interval_ms = -1;
  } else {
    t.is_critical = false;
    t.peek_interval_ms = 5;
    t.allow_interruption = true;
  }
}

}  // namespace orv
