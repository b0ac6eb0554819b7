// Calling functions from expressions.
#pragma once

#include <cstddef>
#include <vector>

#include "base/result.h"
#include "base/text.h"
#include "runtime/value.h"

namespace orv {

// Calls the function of `call` with `argc` values; `dynamic_name` (for a
// function named at run time) holds its name. The result is left in `result`.
Result call_function(const CallRecord& call, ExprToken* dynamic_name, ExprToken* args, size_t argc, ExprToken& result);

class IObject;
struct Func;

// Calls `f` as a function object does, with the values the parameters
// point at: too few and nothing is called, too many and the extras are let
// go. ResultReturned when a script function ended with Return.
Result call_function_object(Func& f, ExprToken** params, int count, ExprToken& result);

// Object syntax: member get, set and call, member increments and new,
// applied to args[0] with the rest as keys, values or arguments.
Result call_operator(Func& f, ExprToken* args, size_t argc, ExprToken& result);

// The object model lives above the core, in objects/; it fills these in
// when the program starts (install_object_model), and the core reaches the
// model only through them and IObject.
struct ObjectModelOps {
  // new Class(args): args[0] is the class.
  Result (*new_object)(ExprToken* args, size_t argc, ExprToken& result) = nullptr;
  // x.y, x[k], x.y := v, x.m(args): params[0] is the target.
  Result (*invoke_member)(ExprToken& result, uint32_t type, ExprToken** params, int count) = nullptr;
  // f(args*): appends the array's items 1..n, borrowed (a gap gives an
  // omitted parameter); false when `object` is no array.
  bool (*array_items)(IObject& object, std::vector<ExprToken>& out) = nullptr;
  // The item of a variadic call's array that names a parameter, borrowed.
  bool (*named_item)(IObject& array, StringView name, ExprToken& out) = nullptr;
  // A variadic parameter's array: a copy of the named items of the call's
  // array (null: none), or empty; null when out of memory.
  IObject* (*new_rest_array)(IObject* named) = nullptr;
  bool (*set_item)(IObject& array, int64_t key, const ExprToken& value) = nullptr;
  // f.Bind(args): a function object that calls `target` with the bound
  // values first; null when out of memory.
  IObject* (*bind)(IObject& target, ExprToken** args, int count) = nullptr;
};
extern ObjectModelOps g_object_model;

// What the object model needs of the running thread, for its own hooks.
IObject* function_object(StringView name);
bool running_method(IObject*& defining_class, ExprToken& this_value);
// The thread's pending thrown value, set aside while a __Delete runs.
void* set_aside_throw();
void restore_throw(void* saved);

}  // namespace orv
