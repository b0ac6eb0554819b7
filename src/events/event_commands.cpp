// The commands of threads and events: Sleep, SetTimer, Critical, Thread,
// Pause, Suspend, SetBatchLines and OnExit.
#include "base/messages.h"
#include "events/callable.h"
#include "events/exit_callbacks.h"
#include "events/message_pump.h"
#include "events/script_threads.h"
#include "events/timers.h"
#include "runtime/errors.h"
#include "runtime/executor.h"
#include "runtime/func.h"
#include "runtime/function_table.h"
#include "runtime/launch_state.h"
#include "runtime/numbers.h"

namespace orv {

namespace {

StringView arg(const ExpandedArgs& args, int i) { return trim(arg_text(args, i)); }

bool is_number(StringView s, int64_t& out) {
  if (numeric_type_of(s) == NumType::NotNumeric) return false;
  out = text_to_int(s);
  return true;
}

}  // namespace

// Each of these changes what the engine must look at before its next line
// (pauses, batches, interruptibility), so each asks for that look.

Result cmd_sleep(const ScriptLine&, ExpandedArgs& args) {
  check_before_next_line();
  int64_t ms = text_to_int(arg(args, 0));
  if (ms > INT32_MAX) ms = INT32_MAX;
  if (ms < INT32_MIN + 1) ms = -1;
  pump_messages(int32_t(ms), PumpMode::Wait);
  return ResultDone;
}

namespace {

// The label or function a SetTimer line names: found when the line was
// read, or now for a name built at run time, or a function object.
Result timer_callable(const ScriptLine& line, const ExpandedArgs& args, Callable& out) {
  if (line.arg_count > 0 && line.label()) {
    out.label = line.label();
    return ResultDone;
  }
  if (args.objects[0]) {
    out.object = args.objects[0];
    return ResultDone;
  }
  StringView name = arg(args, 0);
  if (name.empty()) return ResultDone;
  if (Label* label = g_script->find_label(name)) {
    out.label = label;
    return ResultDone;
  }
  if (Func* f = find_function(*g_script, name)) {
    out.object = ObjectRef(f);
    return ResultDone;
  }
  return report_runtime_error(message(Msg::TargetLabelMissing), name);
}

}  // namespace

Result cmd_set_timer(const ScriptLine& line, ExpandedArgs& args) {
  check_before_next_line();
  Callable c;
  if (!timer_callable(line, args, c)) return ResultFailed;
  return set_timer(c, arg(args, 1), arg(args, 2));
}

Result cmd_critical(const ScriptLine&, ExpandedArgs& args) {
  check_before_next_line();
  StringView v = arg(args, 0);
  int64_t n = 0;
  if (v.empty() || equals_ignore_case(v, u"On")) set_critical(true, 16);
  else if (equals_ignore_case(v, u"Off")) set_critical(false, 0);
  else if (is_number(v, n)) set_critical(n != 0, int32_t(n));
  else set_critical(true, 16);
  return ResultDone;
}

Result cmd_thread(const ScriptLine&, ExpandedArgs& args) {
  check_before_next_line();
  StringView what = arg(args, 0), v1 = arg(args, 1), v2 = arg(args, 2);
  if (equals_ignore_case(what, u"Priority")) {
    g_thread->priority = int32_t(text_to_int(v1));
  } else if (equals_ignore_case(what, u"Interrupt")) {
    if (!v1.empty()) g_threads.uninterruptible_time_ms = int32_t(text_to_int(v1));
    if (!v2.empty()) g_threads.uninterruptible_line_count = int32_t(text_to_int(v2));
  } else if (equals_ignore_case(what, u"NoTimers")) {
    g_thread->allow_timers = !v1.empty() && text_to_int(v1) == 0;
  }
  return ResultDone;
}

Result cmd_set_batch_lines(const ScriptLine&, ExpandedArgs& args) {
  check_before_next_line();
  StringView v = arg(args, 0);
  ThreadSettings& t = *g_thread;
  if (v.size() > 2 && equals_ignore_case(v.substr(v.size() - 2), u"ms")) {
    int64_t ms = text_to_int(trim(v.substr(0, v.size() - 2)));
    t.batch_interval_ms = ms < 0 ? -1 : int32_t(ms > INT32_MAX ? INT32_MAX : ms);
    t.lines_per_batch = -1;
    return ResultDone;
  }
  int64_t n = text_to_int(v);
  // -1 (or any count below one) runs without resting.
  t.lines_per_batch = n < 1 ? -1 : n;
  t.batch_interval_ms = -1;
  return ResultDone;
}

Result cmd_pause(const ScriptLine&, ExpandedArgs& args) {
  check_before_next_line();
  StringView word = arg(args, 0);
  bool underlying_too = text_to_int(arg(args, 1)) != 0;
  ThreadSettings* below = underlying_thread();
  auto pause_self = [] {
    ++g_threads.paused_thread_count;
    g_thread->is_paused = true;
  };
  if (word.empty() || equals_ignore_case(word, u"Toggle")) {
    if (below && below->is_paused) {
      below->is_paused = false;
      --g_threads.paused_thread_count;
    } else if (underlying_too && below) {
      below->is_paused = true;
      ++g_threads.paused_thread_count;
    } else {
      pause_self();
    }
  } else if (equals_ignore_case(word, u"On")) {
    if (underlying_too) {
      if (below && !below->is_paused) {
        below->is_paused = true;
        ++g_threads.paused_thread_count;
      }
    } else {
      pause_self();
    }
  } else if (equals_ignore_case(word, u"Off")) {
    if (below && below->is_paused) {
      below->is_paused = false;
      --g_threads.paused_thread_count;
    }
  } else {
    return report_runtime_error(message(Msg::ParamInvalid1), word);
  }
  refresh_pause_look();
  return ResultDone;
}

Result cmd_suspend(const ScriptLine&, ExpandedArgs& args) {
  check_before_next_line();
  StringView word = arg(args, 0);
  if (equals_ignore_case(word, u"Permit")) return ResultDone;  // marks the hotkey when the script is read
  if (equals_ignore_case(word, u"On")) g_launch.hotkeys_suspended = true;
  else if (equals_ignore_case(word, u"Off")) g_launch.hotkeys_suspended = false;
  else if (word.empty() || equals_ignore_case(word, u"Toggle")) g_launch.hotkeys_suspended = !g_launch.hotkeys_suspended;
  else return report_runtime_error(message(Msg::ParamInvalid1), word);
  if (g_launch.refresh_hotkeys) g_launch.refresh_hotkeys();
  refresh_pause_look();
  return ResultDone;
}

Result cmd_on_exit(const ScriptLine& line, ExpandedArgs& args) {
  check_before_next_line();
  StringView name = arg(args, 0);
  if (name.empty()) {
    set_exit_label(nullptr);
    return ResultDone;
  }
  Label* label = line.label() ? line.label() : g_script->find_label(name);
  if (!label) return report_runtime_error(message(Msg::TargetLabelMissing), name);
  set_exit_label(label);
  return ResultDone;
}

}  // namespace orv
