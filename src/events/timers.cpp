#include "events/timers.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "base/messages.h"
#include "events/script_threads.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "runtime/errors.h"
#include "runtime/numbers.h"
#include "runtime/object.h"
#include "runtime/thread_settings.h"

namespace orv {

namespace {

std::vector<ScriptTimer*> g_timers;  // in creation order
int32_t g_enabled = 0;

void enable(ScriptTimer& t, bool on) {
  if (t.enabled == on) return;
  t.enabled = on;
  g_enabled += on ? 1 : -1;
  // Waits keep the wake timer too; the pump turns it off when no one needs it.
  if (on) platform::set_wake_timer(true);
}

// Timers deleted while they ran go once their run is over.
void remove_deleted() {
  std::erase_if(g_timers, [](ScriptTimer* t) {
    if (!t->callable.empty() || t->running) return false;
    enable(*t, false);
    delete t;
    return true;
  });
}

ScriptTimer* find(const Callable& c) {
  for (ScriptTimer* t : g_timers)
    if (t->callable == c) return t;
  return nullptr;
}

// Decimal or hexadecimal, with a sign; numbers with a fraction count too.
bool parse_number(StringView text, double& out) {
  text = trim(text);
  if (numeric_type_of(text) == NumType::NotNumeric) return false;
  out = text_to_double(text);
  return true;
}

}  // namespace

int32_t enabled_timer_count() { return g_enabled; }

bool run_due_timers() {
  if (g_threads.paused_thread_count > 0 || !g_thread->allow_timers || g_threads.thread_count >= g_threads.max_threads ||
      !interrupt_allowed_now())
    return false;
  // One thread record serves every timer of the walk.
  std::optional<LaunchedThread> thread;
  const int32_t interrupted_priority = g_thread->priority;
  // Timers added by a timer's run wait for the next walk.
  size_t count = g_timers.size();
  for (size_t i = 0; i < count && i < g_timers.size(); ++i) {
    ScriptTimer* t = g_timers[i];
    uint64_t now = platform::tick_count();
    if (!t->enabled || t->running || t->callable.empty() || t->priority < interrupted_priority ||
        int64_t(now - t->last_run) < t->period_ms)
      continue;
    CommandId action = first_action(t->callable);
    if (!thread) {
      if (!thread_gate(t->priority, action)) return false;
      thread.emplace(t->priority, action);
    } else {
      start_thread(t->priority, false, action);
    }
    g_threads.last_peek_tick = g_threads.last_rest_tick = now;
    t->last_run = now;
    if (t->run_once) enable(*t, false);
    g_thread->current_timer = t;
    t->running = true;
    {
      Callable c = t->callable;  // a Delete during the run must not free it under the call
      (void)run_callable(c);
    }
    t->running = false;
  }
  // Removed only now, so that the walk's positions stay good.
  remove_deleted();
  return thread.has_value();
}

Result set_timer(Callable callable, StringView word, StringView priority) {
  if (callable.empty()) {
    ScriptTimer* own = g_thread->current_timer;
    if (own && !own->callable.empty()) {
      callable = own->callable;
    } else if (g_thread->current_label) {
      callable.label = const_cast<Label*>(g_thread->current_label);
    } else {
      return report_runtime_error(message(Msg::Param1NotBlankHere));
    }
  }
  word = trim(word);
  priority = trim(priority);
  ScriptTimer* t = find(callable);
  if (equals_ignore_case(word, u"Delete")) {
    if (!t) return ResultDone;
    enable(*t, false);
    t->callable = Callable();
    remove_deleted();
    return ResultDone;
  }
  double period = 0;
  bool has_period = !word.empty() && parse_number(word, period);
  bool on = word.empty() || has_period || equals_ignore_case(word, u"On");
  if (!on && !equals_ignore_case(word, u"Off")) return report_runtime_error(message(Msg::ParamInvalid2), word);
  double prio = 0;
  if (!priority.empty() && !parse_number(priority, prio))
    return report_runtime_error(message(Msg::ParamInvalid3), priority);

  bool is_new = !t;
  if (is_new) {
    t = new ScriptTimer();
    t->callable = callable;
    g_timers.push_back(t);
  }
  if (!priority.empty()) t->priority = int32_t(prio);
  if (has_period) {
    t->run_once = period < 0;
    t->period_ms = int64_t(period < 0 ? -period : period);
  }
  // Only a priority for a timer that exists leaves it as it was.
  bool only_priority = word.empty() && !priority.empty() && !is_new;
  if (only_priority) return ResultDone;
  if (has_period || is_new || equals_ignore_case(word, u"On")) t->last_run = platform::tick_count();
  enable(*t, on);
  return ResultDone;
}

}  // namespace orv
