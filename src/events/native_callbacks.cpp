// RegisterCallback(Function [, Options, ParamCount, EventInfo]): native code
// calls a script function through a stub's address. The stub's entry brings
// every call here on the interpreter's thread (a call from another thread
// is handed over and waited for), as a new script thread or, in Fast mode,
// inside the thread that is running.
#include <vector>

#include "events/callable.h"
#include "events/script_threads.h"
#include "objects/dll_call.h"
#include "objects/dll_values.h"
#include "platform/native_calls.h"
#include "runtime/builtin_functions.h"
#include "runtime/engine.h"
#include "runtime/evaluator.h"
#include "runtime/func.h"
#include "runtime/function_table.h"
#include "runtime/script_program.h"
#include "runtime/thread_settings.h"

namespace orv {

namespace {

// What the function returned, as RAX.
uint64_t native_answer(const ExprToken& value) {
  if (token_object(value)) return 0;
  switch (value.symbol) {
    case SymInteger: return callback_answer_from_int(value.integer);
    case SymFloat: return callback_answer_from_double(value.number);
    default: {
      if (token_numeric_type(value) == NumType::Float) return callback_answer_from_double(token_to_double(value));
      char16_t buf[256];
      return callback_answer_from_text(token_to_text(value, buf));
    }
  }
}

uint64_t run_function(Func& f, const uint64_t* args, int count) {
  // The declared parameters take the native arguments; a variadic
  // function's rest gets the address of the arguments after them.
  std::vector<ExprToken> values;
  for (int i = 0; i < count; ++i) values.push_back(int_token(int64_t(args[i])));
  if (f.variadic) values.push_back(int_token(int64_t(reinterpret_cast<uintptr_t>(args + count))));
  std::vector<ExprToken*> params;
  for (ExprToken& v : values) params.push_back(&v);
  uint64_t answer = 0;
  Engine engine(*g_script);
  {
    TempArena::Scope scope;
    OwnedToken result;
    ExprToken self = object_token(&f);
    Result r = f.invoke(result.out(), self, InvokeCall | InvokeAsFunctionObject, params.data(), int(params.size()));
    if (r == ResultReturned) answer = native_answer(*result);
  }
  if (g_thread->thrown.pending) (void)engine.report_unhandled_throw();
  return answer;
}

uint64_t dispatch(const uint64_t* args, const platform::CallbackStub* stub) {
  Func& f = *static_cast<Func*>(stub->function);
  int count = stub->param_count < f.max_params ? stub->param_count : f.max_params;
  if (stub->new_thread) {
    if (g_threads.thread_count >= g_threads.max_threads || !can_push_thread()) return 0;
    Callable c;
    c.object = ObjectRef(&f);
    LaunchedThread thread(0, first_action(c));
    g_thread->event_info = stub->event_info;
    return run_function(f, args, count);
  }
  // Fast: inside the running thread, which gets its event information and
  // its protection from interruption back afterwards.
  const int64_t saved_info = g_thread->event_info;
  const bool saved_interruptible = g_thread->allow_interruption;
  g_thread->allow_interruption = true;
  g_thread->event_info = stub->event_info;
  uint64_t answer = run_function(f, args, count);
  g_thread->event_info = saved_info;
  g_thread->allow_interruption = saved_interruptible;
  return answer;
}

Func* script_function(const ExprToken& token) {
  if (auto* f = dynamic_cast<Func*>(token_object(token))) return f;
  if (token_object(token)) return nullptr;
  char16_t buf[256];
  return find_function(*g_script, token_to_text(token, buf));
}

}  // namespace

Result builtin_register_callback(Func& func, ExprToken& result, ExprToken* args, int argc) {
  (void)func;
  result = empty_token();
  if (!platform::native_calls_available()) return report_no_native_code(u"RegisterCallback");
  Func* f = script_function(args[0]);
  if (!f || f->kind != FuncKind::Script) return ResultDone;
  for (const FuncParam& p : f->params)
    if (p.by_ref) return ResultDone;
  char16_t buf[256];
  bool fast = false;
  if (arg_given(args, argc, 1))
    for (char16_t c : token_to_text(args[1], buf)) fast = fast || c == u'F' || c == u'f';
  int count = f->min_params;
  if (arg_given(args, argc, 2) && !token_to_text(args[2], buf).empty()) {
    int64_t n = token_to_int(args[2]);
    if (n < f->min_params || (!f->variadic && n > f->max_params) || n > 255) return ResultDone;
    count = int(n);
  }
  const bool info_given = arg_given(args, argc, 3);
  const platform::CallbackStub* stub = platform::make_callback_stub(
      dispatch, uint8_t(count), !fast, info_given, info_given ? token_to_int(args[3]) : 0, f);
  if (stub) result = int_token(int64_t(reinterpret_cast<uintptr_t>(stub)));
  return ResultDone;
}

}  // namespace orv
