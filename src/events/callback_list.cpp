#include "events/callback_list.h"

#include <algorithm>

#include "base/messages.h"
#include "objects/object_model.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/func.h"
#include "runtime/function_table.h"
#include "runtime/object.h"
#include "runtime/script_program.h"

namespace orv {

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

Result CallbackList::change(ExprToken* args, int argc) {
  IObject* f = callback_function(args[0]);
  if (!f) return report_runtime_error(message(Msg::ParamInvalid1));
  int64_t mode = argc > 1 && args[1].symbol != SymMissing ? token_to_int(args[1]) : 1;
  if (mode != 1 && mode != -1 && mode != 0) return report_runtime_error(message(Msg::ParamInvalid2));
  auto at = std::find_if(items_.begin(), items_.end(), [&](const ObjectRef& item) { return item.get() == f; });
  if (mode == 0) {
    if (at != items_.end()) {
      // Let go of only once the list is whole again: a __Delete may change it.
      ObjectRef removed = std::move(*at);
      items_.erase(at);
    }
  } else if (at == items_.end()) {
    items_.insert(mode == 1 ? items_.end() : items_.begin(), ObjectRef(f));
  }
  return ResultDone;
}

}  // namespace orv
