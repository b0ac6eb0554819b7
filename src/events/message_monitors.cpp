#include "events/message_monitors.h"

#include <utility>
#include <vector>

#include "base/messages.h"
#include "events/callable.h"
#include "events/script_threads.h"
#include "objects/object_model.h"
#include "runtime/builtin_functions.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/func.h"
#include "runtime/function_table.h"
#include "runtime/numbers.h"
#include "runtime/object.h"
#include "runtime/script_program.h"
#include "runtime/thread_settings.h"

namespace orv {

namespace {

struct Monitor {
  ObjectRef function;
  uint32_t message;
  uintptr_t window;   // 0: any window
  bool by_name;       // registered by name: one function per message and window
  uint8_t max_threads;
  uint8_t running = 0;
};

std::vector<Monitor> g_monitors;

Monitor* find(uint32_t message, uintptr_t window, IObject* function, bool by_name) {
  for (Monitor& m : g_monitors)
    if (m.message == message && m.window == window && m.by_name == by_name && (by_name || m.function.get() == function))
      return &m;
  return nullptr;
}

// Runs the function of the entry at `index` as a new thread.
bool run_monitor(size_t index, uintptr_t window, uint32_t message, uintptr_t wparam, intptr_t lparam, bool queued,
                 uint32_t time, int32_t x, int32_t y, intptr_t& result) {
  Monitor& m = g_monitors[index];
  Callable c;
  c.object = m.function;  // the table may change while the function runs
  if (!thread_gate(0, first_action(c)) || m.running >= m.max_threads || g_thread->priority > 0) return false;
  IObject* function = c.object.get();
  ++m.running;
  CallAnswer answer;
  {
    LaunchedThread thread(0, first_action(c));
    if (queued) {
      g_thread->event_info = time;
      g_thread->gui_x = x;
      g_thread->gui_y = y;
    }
    ExprToken args[4] = {int_token(int64_t(wparam)), int_token(int64_t(lparam)), int_token(message),
                         int_token(int64_t(window))};
    (void)run_callable(c, args, 4, &answer);
  }
  // Only a number or a numeric text can answer a message.
  bool handled = answer.has_value && answer.numeric;
  if (handled) result = intptr_t(answer.integer);
  // The table may have changed while the function ran.
  for (Monitor& after : g_monitors)
    if (after.function.get() == function && after.message == message && after.running) {
      --after.running;
      break;
    }
  return handled;
}

}  // namespace

bool any_message_monitor() { return !g_monitors.empty(); }

bool offer_to_monitors(uintptr_t window, uint32_t message, uintptr_t wparam, intptr_t lparam, bool queued,
                       uint32_t time, int32_t x, int32_t y, intptr_t& result) {
  // Those for this very window first, then those for any window.
  for (int pass = 0; pass < 2; ++pass) {
    for (size_t i = 0; i < g_monitors.size(); ++i) {
      const Monitor& m = g_monitors[i];
      if (m.message != message || (pass == 0 ? (!m.window || m.window != window) : m.window != 0)) continue;
      if (run_monitor(i, window, message, wparam, lparam, queued, time, x, y, result)) return true;
    }
  }
  return false;
}

Result builtin_on_message(Func& func, ExprToken& result, ExprToken* args, int argc) {
  (void)func;
  auto given = [&](int i) { return i < argc && args[i].symbol != SymMissing; };
  uint32_t message = uint32_t(token_to_int(args[0]));
  int next = 1;
  uintptr_t window = 0;
  if (argc >= 2 && given(1) && !token_object(args[1]) && token_numeric_type(args[1]) != NumType::NotNumeric &&
      token_to_int(args[1]) != 0) {
    window = uintptr_t(token_to_int(args[1]));
    next = 2;
  }
  IObject* function = nullptr;
  bool by_name = false;
  if (given(next)) {
    if (IObject* object = token_object(args[next])) {
      function = object;
    } else {
      char16_t buf[256];
      StringView name = token_to_text(args[next], buf);
      Func* f = find_function(*g_script, name);
      if (!f || f->kind != FuncKind::Script || f->min_params > 4)
        return report_runtime_error(orv::message(Msg::ParamInvalid2));
      function = f;
      by_name = true;
    }
  }
  int64_t max_threads = given(next + 1) ? token_to_int(args[next + 1]) : 1;

  // The registration this call replaces or reports (by name: its name).
  Monitor* existing = nullptr;
  for (Monitor& m : g_monitors)
    if (m.message == message && m.window == window && m.by_name) existing = &m;
  if (existing) {
    if (auto* f = dynamic_cast<Func*>(existing->function.get())) {
      if (!temp_text_token(f->name, SymString, result)) return ResultFailed;
    }
  }
  if (!function) return ResultDone;

  Monitor* m = find(message, window, function, by_name);
  if (max_threads == 0) {
    if (m) {
      // Let go of only once the table is whole again: a __Delete may change it.
      ObjectRef removed = std::move(m->function);
      g_monitors.erase(g_monitors.begin() + (m - g_monitors.data()));
    }
    return ResultDone;
  }
  bool in_front = max_threads < 0;
  if (max_threads < 0) max_threads = -max_threads;
  uint8_t limit = uint8_t(max_threads > 255 ? 255 : max_threads);
  if (m) {
    // What this replaces goes last, on the way out: a __Delete may change
    // the table.
    ObjectRef replaced;
    if (by_name && m->function.get() != function) replaced = std::exchange(m->function, ObjectRef(function));
    m->max_threads = limit;
    return ResultDone;
  }
  Monitor added{ObjectRef(function), message, window, by_name, limit};
  if (in_front) {
    // Before the entries of that message: they are tried in table order.
    auto at = g_monitors.begin();
    while (at != g_monitors.end() && at->message != message) ++at;
    g_monitors.insert(at, added);
  } else {
    g_monitors.push_back(added);
  }
  return ResultDone;
}

}  // namespace orv
