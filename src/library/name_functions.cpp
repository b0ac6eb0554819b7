// IsLabel, IsFunc, IsByRef and Func: questions a script asks about its own names.
#include "runtime/builtin_functions.h"
#include "runtime/script_program.h"
#include "runtime/evaluator.h"
#include "runtime/function_table.h"
#include "runtime/variable.h"

namespace orv {

Result builtin_is_name(Func& func, ExprToken& result, ExprToken* args, int argc) {
  (void)argc;
  if (equals_ignore_case(func.name, u"IsByRef")) {
    // A by-reference parameter bound to the caller's variable is an alias.
    result = int_token(args[0].symbol == SymVar && args[0].var->type == VarType::Alias ? 1 : 0);
    return ResultDone;
  }
  char16_t buf[256];
  StringView name = token_to_text(args[0], buf);
  if (equals_ignore_case(func.name, u"Func")) {
    // A reference to the function of that name, or empty when there is none.
    if (Func* f = find_function(*g_script, name)) {
      result = ExprToken{};
      result.symbol = SymObject;
      result.object = f;
    }
    return ResultDone;
  }
  if (equals_ignore_case(func.name, u"IsLabel")) {
    result = int_token(g_script->find_label(name) ? 1 : 0);
    return ResultDone;
  }
  // IsFunc: 0 when there is no such function, else one more than the
  // number of parameters it requires, so that the answer is never 0.
  Func* f = find_function(*g_script, name);
  result = int_token(f ? f->min_params + 1 : 0);
  return ResultDone;
}

}  // namespace orv
