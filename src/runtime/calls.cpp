#include "runtime/calls.h"

#include "runtime/errors.h"
#include "runtime/func.h"

namespace orv {

Result call_function(const CallRecord& call, ExprToken* dynamic_name, ExprToken* args, size_t argc, ExprToken& result) {
  (void)dynamic_name;
  (void)args;
  (void)argc;
  (void)result;
  if (call.func && call.func->kind == FuncKind::Operator)
    return report_runtime_error(u"Objects are not yet available.");
  String name = call.func ? String(call.func->name) : String(call.position, call.name_length);
  return report_runtime_error(u"Functions are not yet available.", name);
}

}  // namespace orv
