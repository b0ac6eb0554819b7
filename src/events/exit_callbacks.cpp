#include "events/exit_callbacks.h"

#include <vector>

#include "events/callable.h"
#include "events/callback_list.h"
#include "events/script_threads.h"
#include "runtime/builtin_functions.h"
#include "runtime/evaluator.h"
#include "runtime/object.h"
#include "runtime/thread_settings.h"

namespace orv {

namespace {

Label* g_exit_label = nullptr;
CallbackList g_exit_functions;

}  // namespace

void set_exit_label(Label* label) { g_exit_label = label; }

bool has_exit_callbacks() { return g_exit_label || !g_exit_functions.empty(); }

bool run_exit_callbacks(StringView reason, int code) {
  if (!has_exit_callbacks() || !can_push_thread()) return false;
  LaunchedThread thread(0, CmdInvalid);
  bool cancel = false;
  if (g_exit_label) {
    // A label keeps the program alive unless it calls ExitApp, which ends
    // only its own thread while it runs here.
    Callable c;
    c.label = g_exit_label;
    (void)run_callable(c);
    cancel = true;
  } else {
    std::vector<ObjectRef> functions = g_exit_functions.take_snapshot();
    for (const ObjectRef& f : functions) {
      ExprToken args[2] = {text_token(reason), int_token(code)};
      CallAnswer answer;
      Callable c;
      c.object = f;
      (void)run_callable(c, args, 2, &answer);
      if (answer.has_value && answer.truth) {
        cancel = true;
        break;
      }
    }
  }
  return cancel;
}

Result builtin_on_exit(Func& func, ExprToken& result, ExprToken* args, int argc) {
  (void)func;
  (void)result;
  return g_exit_functions.change(args, argc);
}

}  // namespace orv
