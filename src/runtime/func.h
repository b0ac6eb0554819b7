// A function the script can call: a script function, a built-in, or one of
// the operator functions that object syntax compiles to. Functions are never
// freed, so lines and tokens hold plain pointers to them.
#pragma once

#include <cstdint>
#include <vector>

#include "base/result.h"
#include "base/text.h"
#include "runtime/object.h"
#include "runtime/value.h"
#include "runtime/variable_list.h"

namespace orv {

struct DllImportDef;
struct ScriptLine;
struct Variable;

enum class FuncKind : uint8_t { Script, Builtin, Operator };

// What an operator function does; object syntax (member access, indexing,
// new, increments of members) lowers to calls of these.
enum class OperatorKind : uint8_t {
  None, MemberGet, MemberSet, MemberCall, MemberGetDynamicCount, New, PreIncrement, PreDecrement,
  PostIncrement, PostDecrement,
};

// How names in a function body that are not declared resolve.
enum class ScopeMode : uint8_t { Unset, AssumeLocal, AssumeGlobal, AssumeStatic };

enum class DefaultKind : uint8_t { None = 0, Text = 1, Integer = 2, Float = 3 };

struct FuncParam {
  Variable* var = nullptr;
  bool by_ref = false;
  DefaultKind default_kind = DefaultKind::None;
  StringView default_text;
  int64_t default_int = 0;
  double default_float = 0;
};

struct Func;

// A built-in routine: fills `result` from `args`; the result is pre-set to
// an empty string. `func` tells which name it was called by, so that one
// routine can serve several names.
using BuiltinRoutine = Result (*)(Func& func, ExprToken& result, ExprToken* args, int argc);

// A Func is also a script-visible object (a function reference can sit in a
// variable or an object field); it belongs to the parsed script, so counting
// references to it does nothing.
struct Func : public IObject {
  StringView name;
  FuncKind kind = FuncKind::Script;
  OperatorKind op = OperatorKind::None;
  int min_params = 0;
  int max_params = 0;
  bool variadic = false;

  // Script functions.
  std::vector<FuncParam> params;
  ScriptLine* body = nullptr;  // the "{" the body begins with
  ScopeMode scope_mode = ScopeMode::Unset;
  VariableList locals{false};
  VariableList statics{false};
  std::vector<Variable*> global_declarations;
  bool body_started = false;  // the body's first line has been read
  int instances = 0;          // calls of this function now running

  // Methods: the full name of the class (or class and property) they were
  // defined in, and that class's object once classes are built.
  StringView owner;
  IObject* class_object = nullptr;

  // Built-ins. A function declared by #DllImport is one too: its routine
  // makes the call it describes.
  BuiltinRoutine routine = nullptr;
  const DllImportDef* dll_import = nullptr;

  Func() = default;
  Func(StringView n, FuncKind k) : name(n), kind(k) {}
  Func(const Func&) = delete;
  Func& operator=(const Func&) = delete;
  ~Func() override = default;

  void add_ref() override {}
  void release() override {}
  // Calling the function object: f.() or f.Call(args), and %f%() through a
  // variable holding it.
  Result invoke(ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** params, int count) override;
  StringView type_name() const override { return u"Func"; }
};

// The operator functions; they live as long as the program.
Func& operator_func(OperatorKind kind);

}  // namespace orv
