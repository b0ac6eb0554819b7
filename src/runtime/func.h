// A function the script can call: a script function, a built-in, or one of
// the operator functions that object syntax compiles to. Functions are never
// freed, so lines and tokens hold plain pointers to them.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace orv {

enum class FuncKind : uint8_t { Script, Builtin, Operator };

// What an operator function does; object syntax (member access, indexing,
// new, increments of members) lowers to calls of these.
enum class OperatorKind : uint8_t {
  None, MemberGet, MemberSet, MemberCall, MemberGetDynamicCount, New, PreIncrement, PreDecrement,
  PostIncrement, PostDecrement,
};

struct Func {
  StringView name;
  FuncKind kind = FuncKind::Script;
  OperatorKind op = OperatorKind::None;
  int min_params = 0;
  int max_params = 0;
  bool variadic = false;
};

// The operator functions; they live as long as the program.
Func& operator_func(OperatorKind kind);

}  // namespace orv
