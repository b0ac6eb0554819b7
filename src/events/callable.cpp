#include "events/callable.h"

#include "runtime/thread_settings.h"
#include "runtime/object.h"
#include "runtime/script_program.h"
#include "runtime/engine.h"
#include "runtime/evaluator.h"
#include "runtime/func.h"

namespace orv {

CommandId first_action(const Callable& callable) {
  if (callable.label && callable.label->line) return callable.label->line->action;
  if (auto* f = dynamic_cast<Func*>(callable.object.get())) {
    if (f->kind == FuncKind::Script && f->body && f->body->next) return f->body->next->action;
  }
  return CmdInvalid;
}

Result run_callable(const Callable& callable, ExprToken* args, int argc, CallAnswer* answer) {
  Engine engine(*g_script);
  if (callable.label) {
    g_thread->current_label = callable.label;
    return callable.label->line ? engine.run_thread(callable.label->line) : ResultDone;
  }
  if (!callable.object) return ResultDone;
  ExprToken* params[kMaxCallableArgs];
  for (int i = 0; i < argc && i < kMaxCallableArgs; ++i) params[i] = &args[i];
  Result r;
  {
    ObjectRef function = callable.object;  // the call may drop the owner's reference
    ExprToken self = object_token(function.get());
    TempArena::Scope scope;
    OwnedToken result;
    r = function->invoke(result.out(), self, InvokeCall | InvokeAsFunctionObject, params,
                         argc < kMaxCallableArgs ? argc : kMaxCallableArgs);
    function.reset();
    if (answer && r == ResultReturned) {
      answer->has_value = true;
      answer->truth = token_truth(*result);
      answer->numeric = token_numeric_type(*result) != NumType::NotNumeric;
      if (answer->numeric) answer->integer = token_to_int(*result);
    }
  }
  if (g_thread->thrown.pending) return engine.report_unhandled_throw();
  return r == ResultFailed ? ResultFailed : ResultDone;
}

}  // namespace orv
