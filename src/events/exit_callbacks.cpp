#include "events/exit_callbacks.h"

#include <algorithm>
#include <vector>

#include "events/callable.h"
#include "events/script_threads.h"
#include "events/thread_settings.h"
#include "objects/object.h"
#include "objects/object_model.h"
#include "parser/script_program.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/func.h"
#include "runtime/function_table.h"

namespace orv {

namespace {

Label* g_exit_label = nullptr;
std::vector<IObject*> g_exit_functions;  // one reference each

}  // namespace

void set_exit_label(Label* label) { g_exit_label = label; }

bool has_exit_callbacks() { return g_exit_label || !g_exit_functions.empty(); }

IObject* callback_function(const ExprToken& token) {
  if (IObject* object = token_object(token)) {
    auto* f = dynamic_cast<Func*>(object);
    return f && f->min_params > 2 ? nullptr : object;
  }
  char16_t buf[256];
  StringView name = token_to_text(token, buf);
  Func* f = g_script ? find_function(*g_script, name) : nullptr;
  return f && f->kind != FuncKind::Operator && f->min_params <= 2 ? f : nullptr;
}

bool run_exit_callbacks(StringView reason, int code) {
  if (!has_exit_callbacks() || !can_push_thread()) return false;
  String saved = save_error_level();
  start_thread(0, true, CmdInvalid);
  bool cancel = false;
  if (g_exit_label) {
    // A label keeps the program alive unless it calls ExitApp, which ends
    // only its own thread while it runs here.
    Callable c;
    c.label = g_exit_label;
    (void)run_callable(c, nullptr, 0);
    cancel = true;
  } else {
    // The list may change while it runs; each function holds its own reference.
    std::vector<IObject*> functions = g_exit_functions;
    for (IObject* f : functions) f->add_ref();
    for (IObject* f : functions) {
      TempArena::Mark mark = temp_arena().mark();
      ExprToken args[2] = {text_token(reason), int_token(code)};
      ExprToken returned{};
      bool has_value = false;
      Callable c;
      c.object = f;
      (void)run_callable(c, args, 2, &returned, &has_value);
      if (has_value && token_truth(returned)) cancel = true;
      if (returned.symbol == SymObject) returned.object->release();
      temp_arena().release(mark);
      if (cancel) break;
    }
    for (IObject* f : functions) f->release();
  }
  finish_thread(saved);
  return cancel;
}

Result builtin_on_exit(Func& func, ExprToken& result, ExprToken* args, int argc) {
  (void)func;
  IObject* f = callback_function(args[0]);
  if (!f) return report_runtime_error(u"Parameter #1 invalid.");
  int64_t mode = argc > 1 && args[1].symbol != SymMissing ? token_to_int(args[1]) : 1;
  if (mode != 1 && mode != -1 && mode != 0) return report_runtime_error(u"Parameter #2 invalid.");
  auto at = std::find(g_exit_functions.begin(), g_exit_functions.end(), f);
  if (mode == 0) {
    if (at != g_exit_functions.end()) {
      g_exit_functions.erase(at);
      f->release();
    }
  } else if (at == g_exit_functions.end()) {
    f->add_ref();
    g_exit_functions.insert(mode == 1 ? g_exit_functions.end() : g_exit_functions.begin(), f);
  }
  (void)result;
  return ResultDone;
}

}  // namespace orv
