// Pseudo-threads: every event (a timer, a hotkey, a message) runs its
// script code as a new thread on top of the running one, which waits below
// it until it finishes. The records form a strict stack; g_thread is its top.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "runtime/command_table.h"

namespace orv {

struct ThreadState {
  int32_t thread_count = 0;  // script threads running
  int32_t max_threads = 10;
  int32_t paused_thread_count = 0;
  // Thread, Interrupt: how long a new thread may not be interrupted.
  int32_t uninterruptible_time_ms = 15;
  int32_t uninterruptible_line_count = 1000;
  uint64_t last_peek_tick = 0;
  uint64_t last_rest_tick = 0;
  int64_t lines_since_rest = 0;
  int32_t wait_nesting = 0;     // waits in progress that keep the wake timer
  bool filtered_pumping = false;
  int32_t menu_active = 0;      // a menu of the program is showing
  bool loaded = false;          // the auto-execute section has begun
  bool is_dispatching = false;  // the pump is handing a message to its window
  uint32_t dispatching_message = 0;
};
extern ThreadState g_threads;

// The stack for the auto-execute section (#MaxThreads + 4 records), with the
// settings made so far as its first record.
void begin_auto_execute(int32_t max_threads);
// The auto-execute section has ended: its settings become the defaults of
// every later thread and its record the idle thread, which anything may
// interrupt.
void end_auto_execute();

// A new thread on top (push) or the top record begun again (a run of
// several timers reuses one record).
void start_thread(int32_t priority, bool push, CommandId first_action);
// Pops the top thread and gives ErrorLevel back the text it had.
void finish_thread(StringView saved_error_level);
// ErrorLevel's text, as far as a thread launch keeps it (127 characters).
String save_error_level();

// A thread launched for an event, from its start to its finish; ErrorLevel
// is given back as it was when the thread began.
class LaunchedThread {
 public:
  LaunchedThread(int32_t priority, CommandId first_action) : saved_(save_error_level()) {
    start_thread(priority, true, first_action);
  }
  ~LaunchedThread() { finish_thread(saved_); }
  LaunchedThread(const LaunchedThread&) = delete;
  LaunchedThread& operator=(const LaunchedThread&) = delete;

 private:
  String saved_;
};

// Whether a new thread may start now on top of the running one.
bool interrupt_allowed_now();

// Whether the stack has room for one more thread (it exists once the
// auto-execute section has begun).
bool can_push_thread();

// The commands that end or inspect the program (ExitApp, Pause, Reload,
// ListHotkeys ...): a thread beginning with one gets past the thread limits.
bool always_allowed(CommandId first_action);

// Whether an event of this priority may start a thread now. A callable
// whose first line is one of a few commands that end or inspect the
// program gets two threads beyond the limit.
bool thread_gate(int32_t priority, CommandId first_action);

// The thread the running one interrupted; null for the bottom thread.
struct ThreadSettings;
ThreadSettings* underlying_thread();

// Shows the running thread's pause state and the suspension in the tray
// icon, when either changed since it was last shown.
void refresh_pause_look();

// Critical: On, Off or a message-check interval.
void set_critical(bool on, int32_t interval_ms);

}  // namespace orv
