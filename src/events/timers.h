// Script timers: labels and function objects that the pump runs as new
// threads every so many milliseconds.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/text.h"
#include "events/callable.h"

namespace orv {

struct ScriptTimer {
  Callable callable;       // empty once deleted while its thread runs
  int64_t period_ms = 250;
  int32_t priority = 0;
  uint64_t last_run = 0;   // when it last started, or its period was (re)set
  bool running = false;
  bool enabled = false;
  bool run_once = false;   // a negative period: disabled after one run
};

int32_t enabled_timer_count();

// Runs the timers that are due, each as a thread; true when any ran.
bool run_due_timers();

// SetTimer. `callable` empty means the current thread's timer or label;
// `word` is the period or On, Off, Delete; `priority` may be empty.
Result set_timer(Callable callable, StringView word, StringView priority);

}  // namespace orv
