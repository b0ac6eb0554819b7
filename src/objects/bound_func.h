// A function or method with leading arguments already supplied: f.Bind(...)
// and ObjBindMethod(...). Calling it calls the target with the bound values
// first (a gap among them is an omitted argument) and then the call's own.
#pragma once

#include <cstdint>

#include "objects/object_model.h"

namespace orv {

// A function object invoked as a method (f.Call(...), or f.(...)) rather
// than called as itself: the method's name is stepped over. False when the
// name is another method's, which the object does not handle.
bool skip_call_method_name(uint32_t flags, ExprToken**& params, int& count);

class BoundFunc : public ObjectBase {
 public:
  // `flags` is how the target is invoked: InvokeCall with
  // InvokeAsFunctionObject for Bind (the target is called as itself),
  // InvokeCall alone for ObjBindMethod (the first bound value names the
  // method). Null when out of memory.
  static BoundFunc* create(IObject& target, uint32_t flags, ExprToken** args, int count);

  Result invoke(ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** params, int count) override;
  StringView type_name() const override { return u"BoundFunc"; }

 private:
  BoundFunc(IObject& target, uint32_t flags) : target_(&target), flags_(flags) {}

  ObjectRef target_;
  Ref<Object> args_;  // integer keys 1..n; an omitted value leaves its key absent
  uint32_t flags_;
};

// f.Bind(args): the core's way to a BoundFunc.
IObject* bind_function(IObject& target, ExprToken** args, int count);

}  // namespace orv
