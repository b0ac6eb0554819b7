#include "events/message_pump.h"

#include <climits>

#include "events/clipboard_callbacks.h"
#include "events/message_monitors.h"
#include "events/timers.h"
#include "platform/messages.h"
#include "runtime/process_state.h"

namespace orv {

namespace {

HotkeyLauncher g_hotkey_launcher = nullptr;
MenuItemLauncher g_menu_item_launcher = nullptr;
GuiEventLauncher g_gui_event_launcher = nullptr;
void (*g_joystick_poll)() = nullptr;
void (*g_next_pump_task)() = nullptr;
int64_t g_next_pump_task_since = 0;
// A task waits for a pump that rests (a wait) or this long at most: the
// looks a busy script takes between its lines come every few milliseconds.
constexpr int64_t kLongestTaskDelayMs = 25;

int64_t now_ms() { return int64_t(platform::tick_count()); }

// The wake timer runs while a wait needs it, a script timer is enabled or
// joystick buttons are polled.
void update_wake_timer() {
  platform::set_wake_timer(g_threads.wait_nesting > 0 || enabled_timer_count() > 0 || g_joystick_poll);
}

}  // namespace

bool pump_messages(int32_t duration_ms, PumpMode mode) {
  bool return_when_idle;
  int64_t start = 0;
  if (duration_ms == kDurationUnspecified) {
    duration_ms = 10;
    return_when_idle = true;
  } else {
    return_when_idle = duration_ms <= 5;
  }
  if (duration_ms > 5) start = now_ms();
  bool set_filter = false;
  if (mode == PumpMode::WaitFiltered && !g_threads.filtered_pumping) g_threads.filtered_pumping = set_filter = true;

  if (void (*task)() = g_next_pump_task;
      task && ((duration_ms > 0 && mode != PumpMode::Drain) || now_ms() - g_next_pump_task_since >= kLongestTaskDelayMs)) {
    g_next_pump_task = nullptr;
    task();
  }
  bool ran = false;
  if (enabled_timer_count() > 0) ran |= run_due_timers();

  bool raised_wait = false;
  if (duration_ms > 0 && mode != PumpMode::Drain) {
    ++g_threads.wait_nesting;
    raised_wait = true;
    update_wake_timer();
  }

  bool yielded = false;
  int handled = 0;
  // A wait ends when the queue is empty for a short one, else when 5 ms or
  // less of it remain.
  auto wait_over = [&] { return return_when_idle || start + duration_ms - now_ms() <= 5; };
  for (;;) {
    int64_t t0 = now_ms();
    platform::FetchRange range = interrupt_allowed_now() ? platform::FetchRange::All : platform::FetchRange::BelowHotkey;
    platform::QueuedMessage msg;
    // A short wait never blocks: it sleeps once and looks again, so that
    // Sleep 1 to 5 returns promptly.
    if (duration_ms >= 1 && !return_when_idle && !g_threads.filtered_pumping) {
      platform::wait_message(msg, range);
      if (now_ms() - t0 > 3) g_threads.last_rest_tick = uint64_t(now_ms());
    } else if (!platform::peek_message(msg, range)) {
      if (now_ms() - t0 > 3) g_threads.last_rest_tick = uint64_t(now_ms());
      if (duration_ms == 0 && !yielded) {
        platform::sleep_ms(0);
        yielded = true;
        continue;
      }
      if (handled == 0 && return_when_idle) {
        if (duration_ms > 0) platform::sleep_ms(5);
        ++handled;
        continue;
      }
      if (wait_over()) break;
      platform::sleep_ms(5);
      continue;
    }
    ++handled;
    if (msg.quit) {
      exit_program(ExitReason::Close, 0);
      continue;  // an exit callback kept the program
    }
    if (msg.wake_tick) {
      if (g_joystick_poll) g_joystick_poll();
      if (enabled_timer_count() > 0) ran |= run_due_timers();
      if (mode != PumpMode::Drain && duration_ms >= 1 && wait_over()) break;
      continue;
    }
    bool for_main = !msg.window || msg.window == platform::main_window();
    if ((msg.message == platform::wm::kHotkey || msg.message == platform::program_message::kHookHotkey ||
         msg.message == platform::program_message::kHotstring) &&
        for_main && g_hotkey_launcher) {
      g_hotkey_launcher(msg.message, msg.wparam, msg.lparam);
      ran = true;
      continue;
    }
    if (msg.message == platform::program_message::kMenuItem && g_menu_item_launcher) {
      g_menu_item_launcher(msg.wparam, msg.lparam);
      ran = true;
      continue;
    }
    if (msg.message == platform::program_message::kGuiEvent && !for_main && g_gui_event_launcher) {
      g_gui_event_launcher(msg.window, msg.wparam, msg.lparam);
      ran = true;
      continue;
    }
    if (msg.message == platform::program_message::kClipboardChanged && for_main) {
      launch_clipboard_thread(msg.wparam == 0);
      ran = true;
      continue;
    }
    intptr_t answer = 0;
    if (any_message_monitor() && g_threads.loaded &&
        offer_to_monitors(msg.window, msg.message, msg.wparam, msg.lparam, true, msg.time, msg.x, msg.y, answer)) {
      ran = true;
      continue;
    }
    // The window procedure must not offer this message to the monitors again.
    uint32_t was_dispatching = g_threads.dispatching_message;
    g_threads.dispatching_message = msg.message;
    g_threads.is_dispatching = true;
    platform::dispatch_message(msg);
    g_threads.is_dispatching = false;
    g_threads.dispatching_message = was_dispatching;
  }

  uint64_t now = uint64_t(now_ms());
  if (duration_ms >= 0) {
    g_threads.lines_since_rest = 0;
    g_threads.last_rest_tick = now;
  }
  g_threads.last_peek_tick = now;
  if (set_filter) g_threads.filtered_pumping = false;
  if (raised_wait) {
    --g_threads.wait_nesting;
    update_wake_timer();
  }
  return ran;
}

void set_hotkey_launcher(HotkeyLauncher launcher) { g_hotkey_launcher = launcher; }
void set_menu_item_launcher(MenuItemLauncher launcher) { g_menu_item_launcher = launcher; }
void set_gui_event_launcher(GuiEventLauncher launcher) { g_gui_event_launcher = launcher; }

void run_at_next_pump(void (*task)()) {
  if (!g_next_pump_task) g_next_pump_task_since = now_ms();
  g_next_pump_task = task;
}

void set_joystick_poller(void (*poll)()) {
  g_joystick_poll = poll;
  update_wake_timer();
}

void pump_forever() {
  for (;;) pump_messages(INT32_MAX, PumpMode::Wait);
}

namespace {
// Lines between looks when nothing needs every line; a look costs a clock
// read, and these lines take microseconds.
constexpr int32_t kLinesPerCheck = 16;
int32_t g_lines_per_check = 1;
int64_t g_line_limit = 0;
int64_t g_lines_run = 0;
}  // namespace

void set_line_limit(int64_t lines) { g_line_limit = lines; }

namespace {

void before_line_slow() {
  g_threads.lines_since_rest += g_lines_per_check;
  if (g_line_limit > 0) {
    g_lines_run += g_lines_per_check;
    if (g_lines_run > g_line_limit) exit_program(ExitReason::Close, 0);
  }
  uint64_t now = platform::tick_count();
  ThreadSettings& t = *g_thread;
  if (now - g_threads.last_peek_tick > uint64_t(int64_t(t.peek_interval_ms))) {
    if (platform::message_waiting()) pump_messages(-1, PumpMode::Wait);
    g_threads.last_peek_tick = now;
  }
  if (!t.allow_interruption && !t.is_critical && g_threads.uninterruptible_line_count > -1) {
    if (t.uninterruptible_lines_run > g_threads.uninterruptible_line_count) t.allow_interruption = true;
    else ++t.uninterruptible_lines_run;
  }
  if ((t.lines_per_batch > -1 && g_threads.lines_since_rest >= t.lines_per_batch) ||
      (t.batch_interval_ms > -1 && now - g_threads.last_rest_tick >= uint64_t(t.batch_interval_ms)))
    pump_messages(10, PumpMode::Wait);
  while (g_thread->is_paused) pump_messages(kDurationUnspecified, PumpMode::Wait);
  bool every_line = !g_thread->allow_interruption || g_thread->lines_per_batch > -1;
  g_lines_per_check = every_line ? 1 : kLinesPerCheck;
  g_lines_until_check = g_lines_per_check;
}

}  // namespace

void install_message_pump() {
  g_line_check = before_line_slow;
  g_lines_until_check = 0;
}

}  // namespace orv
