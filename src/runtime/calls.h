// Calling functions from expressions.
#pragma once

#include <cstddef>

#include "base/result.h"
#include "runtime/value.h"

namespace orv {

// Calls the function of `call` with `argc` values; `dynamic_name` (for a
// function named at run time) holds its name. The result is left in `result`.
Result call_function(const CallRecord& call, ExprToken* dynamic_name, ExprToken* args, size_t argc, ExprToken& result);

class IObject;
struct Func;

// Object syntax: member get, set and call, member increments and new,
// applied to args[0] with the rest as keys, values or arguments.
Result call_operator(Func& f, ExprToken* args, size_t argc, ExprToken& result);

// Connects the object model and the runtime to each other; once, at start-up.
void connect_object_model();

// Supplied by the object model: the object that stands for strings and
// numbers when they are invoked, and the constructor behind `new`.
extern IObject* (*g_meta_object)();
extern Result (*g_new_object)(ExprToken* args, size_t argc, ExprToken& result);

}  // namespace orv
