#include "windows/window_actions.h"

#include "events/message_pump.h"
#include "platform/platform.h"
#include "runtime/script_program.h"

namespace orv {

namespace {

enum class Attempt : uint8_t { Done, Again, Failed };

// One request for the foreground and a look at what took it. Another
// window taking it (not the one that had it) means someone else won the
// race; a dialog of the target counts as the target.
Attempt attempt_foreground(WindowHandle target, WindowHandle original, WindowHandle& result) {
  platform::WindowSystem& d = desktop();
  d.request_foreground(target);
  pause_ms(10);
  WindowHandle now = d.foreground();
  if (now == target) return result = target, Attempt::Done;
  if (now && d.owner(now) == target) return result = now, Attempt::Done;
  // Under some desktops the foreground is briefly nobody's while it moves.
  if (!now || now == original) return Attempt::Again;
  return Attempt::Failed;
}

constexpr int kAttachedAttempts = 5;

}  // namespace

void pause_ms(int32_t ms) { pump_messages(ms, PumpMode::Wait); }

void win_delay() {
  if (g_thread->win_delay >= 0) pause_ms(g_thread->win_delay);
}

WindowHandle set_foreground(WindowHandle target, bool force) {
  platform::WindowSystem& d = desktop();
  uint32_t mine = d.current_thread_id();
  uint32_t target_thread = d.thread_id(target);
  if (target_thread != mine && d.hung(target)) return 0;
  WindowHandle original = d.foreground();
  if (!original) original = d.taskbar();
  if (target == original) return target;
  if (d.show_state(target) == platform::ShowState::Minimized) d.show(target, platform::ShowCommand::Restore);

  WindowHandle result = 0;
  Attempt a = force ? Attempt::Again : attempt_foreground(target, original, result);
  if (a == Attempt::Again) {
    // Joining the input of the foreground's thread (and that thread to the
    // target's) lets the request through the system's foreground rules.
    uint32_t fg_thread = original ? d.thread_id(original) : 0;
    bool attached_mine = fg_thread && fg_thread != mine && !d.hung(original) && d.attach_input(mine, fg_thread, true);
    bool attached_fg = fg_thread && fg_thread != target_thread && d.attach_input(fg_thread, target_thread, true);
    for (int i = 0; i < kAttachedAttempts && a == Attempt::Again; ++i) a = attempt_foreground(target, original, result);
    if (a == Attempt::Again) {
      d.tap_alt();
      d.tap_alt();
      a = attempt_foreground(target, original, result);
    }
    if (attached_mine) d.attach_input(mine, fg_thread, false);
    if (attached_fg) d.attach_input(fg_thread, target_thread, false);
  }
  if (a != Attempt::Done) return 0;
  d.bring_to_top(target);
  return result;
}

WindowHandle activate_window(const WindowQuery& q, MatchOrder order) {
  platform::WindowSystem& d = desktop();
  if (q.active_shorthand()) {
    WindowHandle fg = d.foreground();
    if (fg && d.show_state(fg) == platform::ShowState::Minimized) d.show(fg, platform::ShowCommand::Restore);
    return fg;
  }
  WindowHandle target = find_window(q, thread_search_context(), order);
  if (!target) return 0;
  WindowHandle w = set_foreground(target, g_script && g_script->directives.win_activate_force);
  if (w) win_delay();
  return w;
}

bool close_window(WindowHandle window, CloseKind kind, int32_t wait_ms) {
  platform::WindowSystem& d = desktop();
  if (kind == CloseKind::Kill) {
    if (!d.send_close(window, 500)) d.terminate_process(d.process_id(window));
  } else {
    d.post_close(window);
  }
  if (wait_ms < 0) return !d.exists(window);
  // Polled: the window may belong to a process that never tells us.
  uint64_t start = platform::tick_count();
  while (d.exists(window)) {
    int64_t left = int64_t(wait_ms) - int64_t(platform::tick_count() - start);
    if (left < 6) return false;
    pause_ms(10);
  }
  return true;
}

}  // namespace orv
