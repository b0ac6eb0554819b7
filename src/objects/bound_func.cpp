#include "objects/bound_func.h"

#include <new>

#include "base/messages.h"
#include "objects/object_fields.h"
#include "runtime/builtin_functions.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"

namespace orv {

using namespace object_detail;

BoundFunc* BoundFunc::create(IObject& target, uint32_t flags, ExprToken** args, int count) {
  Ref<BoundFunc> bound = Ref<BoundFunc>::adopt(new (std::nothrow) BoundFunc(target, flags));
  if (!bound) return nullptr;
  bound->args_ = Ref<Object>::adopt(Object::create());
  if (!bound->args_) return nullptr;
  for (int i = 0; i < count; ++i) {
    if (args[i]->symbol == SymMissing) continue;
    if (!bound->args_->set_raw(int64_t(i + 1), *args[i])) return nullptr;
  }
  return bound.detach();
}

bool skip_call_method_name(uint32_t flags, ExprToken**& params, int& count) {
  if ((flags & InvokeAsFunctionObject) || count <= 0) return true;
  char16_t buf[256];
  StringView name = token_to_text(*params[0], buf);
  if (!name.empty() && !equals_ignore_case(name, u"Call")) return false;
  ++params;
  --count;
  return true;
}

Result BoundFunc::invoke(ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** params, int count) {
  (void)this_token;
  if (!skip_call_method_name(flags, params, count)) return ResultNotHandled;
  // Held for the call, which may let go of this very object.
  ObjectRef target(target_);
  Ref<Object> bound(args_);
  const int64_t top = bound->integer_key_count() ? bound->field_at(bound->integer_key_count() - 1).int_key : 0;
  const int n = int(top) + count;
  SmallArray<ExprToken, 8> values{size_t(top)};
  ParamList list{size_t(n)};
  for (int64_t key = 1, at = 0; key <= top; ++key) {
    const ObjectField* field = at < bound->integer_key_count() && bound->field_at(at).int_key == key
                                   ? &bound->field_at(at++) : nullptr;
    ExprToken& v = values[size_t(key - 1)];
    if (field) {
      v = borrowed_value(*field);
    } else {
      v = empty_token();
      v.symbol = SymMissing;
    }
    list[size_t(key - 1)] = &v;
  }
  for (int i = 0; i < count; ++i) list[size_t(top) + i] = params[i];
  ExprToken target_token = object_token(target.get());
  return target->invoke(result, target_token, flags_, list.data(), n);
}

IObject* bind_function(IObject& target, ExprToken** args, int count) {
  return BoundFunc::create(target, InvokeCall | InvokeAsFunctionObject, args, count);
}

// ObjBindMethod(Object or function name, Method, Args...).
Result builtin_obj_bind_method(Func& func, ExprToken& result, ExprToken* args, int argc) {
  (void)func;
  IObject* target = token_object(args[0]);
  if (!target && g_object_hooks.find_function) {
    char16_t buf[256];
    target = g_object_hooks.find_function(token_to_text(args[0], buf));
  }
  if (!target) return report_runtime_error(message(Msg::ParamInvalid1));
  ParamList rest{size_t(argc - 1)};
  for (int i = 1; i < argc; ++i) rest[size_t(i - 1)] = &args[i];
  BoundFunc* bound = BoundFunc::create(*target, InvokeCall, rest.data(), argc - 1);
  if (!bound) return report_runtime_error(message(Msg::OutOfMemory));
  result = object_token(bound);
  return ResultDone;
}

}  // namespace orv
