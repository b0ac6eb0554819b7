// A function as a script-visible object: called as itself (f.(), f.Call(),
// %f%(), a method stored in a field), bound to leading arguments (f.Bind()),
// and asked about its parameters (f.Name, f.MinParams, f.IsByRef(n) ...).
#include "base/messages.h"
#include "runtime/calls.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/func.h"

namespace orv {

namespace {

enum class Question : uint8_t { None, IsOptional, IsByRef };

// The index a question may be given: none, or a parameter's position.
// `known` is false when the position is outside what the function takes.
bool parameter_index(const Func& f, ExprToken** params, int count, int64_t& index, bool& known) {
  index = 0;
  known = true;
  if (count == 0 || params[0]->symbol == SymMissing) return false;
  index = token_to_int(*params[0]);
  known = index >= 1 && (f.variadic || index <= f.max_params);
  return true;
}

Result answer_question(Func& f, Question q, ExprToken& result, ExprToken** params, int count) {
  if (count > 1) return ResultNotHandled;
  int64_t index;
  bool known;
  bool indexed = parameter_index(f, params, count, index, known);
  if (!known) return ResultDone;  // the empty answer
  if (q == Question::IsOptional) {
    bool optional = indexed ? index > f.min_params : (f.min_params != f.max_params || f.variadic);
    result = int_token(optional ? 1 : 0);
    return ResultDone;
  }
  bool by_ref = false;
  if (indexed) {
    by_ref = index <= f.max_params && f.params[size_t(index - 1)].by_ref;
  } else {
    for (const FuncParam& p : f.params) by_ref = by_ref || p.by_ref;
  }
  result = int_token(by_ref ? 1 : 0);
  return ResultDone;
}

Result read_member(Func& f, StringView name, ExprToken& result) {
  if (equals_ignore_case(name, u"Name")) {
    // The name lives as long as the program.
    result = text_token(f.name, SymString);
  } else if (equals_ignore_case(name, u"MinParams")) {
    result = int_token(f.min_params);
  } else if (equals_ignore_case(name, u"MaxParams")) {
    result = int_token(f.max_params);
  } else if (equals_ignore_case(name, u"IsBuiltIn")) {
    result = int_token(f.kind != FuncKind::Script ? 1 : 0);
  } else if (equals_ignore_case(name, u"IsVariadic")) {
    result = int_token(f.variadic ? 1 : 0);
  } else {
    return ResultNotHandled;
  }
  return ResultDone;
}

}  // namespace

Result Func::invoke(ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** params, int count) {
  (void)this_token;
  // Called as itself: every parameter is an argument, whatever the invoke.
  if ((flags & InvokeAsFunctionObject) || count == 0) return call_function_object(*this, params, count, result);
  char16_t buf[256];
  StringView member = token_to_text(*params[0], buf);
  const uint32_t type = flags & InvokeTypeMask;
  if (type == InvokeGet) return count == 1 ? read_member(*this, member, result) : ResultNotHandled;
  if (type != InvokeCall) return ResultNotHandled;
  if (member.empty() || equals_ignore_case(member, u"Call"))
    return call_function_object(*this, params + 1, count - 1, result);
  if (equals_ignore_case(member, u"Bind")) {
    IObject* bound = g_object_model.bind ? g_object_model.bind(*this, params + 1, count - 1) : nullptr;
    if (!bound) return report_runtime_error(message(Msg::OutOfMemory));
    result = object_token(bound);  // the creation reference passes to the caller
    return ResultDone;
  }
  if (equals_ignore_case(member, u"IsOptional"))
    return answer_question(*this, Question::IsOptional, result, params + 1, count - 1);
  if (equals_ignore_case(member, u"IsByRef") && kind == FuncKind::Script)
    return answer_question(*this, Question::IsByRef, result, params + 1, count - 1);
  return ResultNotHandled;
}

}  // namespace orv
