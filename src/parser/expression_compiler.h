// The expression compiler: an expression parameter's text becomes, once and
// at load time, a postfix array of ExprTokens ending with SymEnd. Object
// syntax (members, indexing, literals, new) is lowered to calls of operator
// functions, so the evaluator knows only operands, operators and calls.
#pragma once

#include <vector>

#include "base/result.h"
#include "base/text.h"

namespace orv {

struct ScriptProgram;
struct ExprToken;
struct Variable;

struct ExpressionSource {
  StringView text;
  const std::vector<bool>* escaped = nullptr;  // characters produced by escape sequences
};

// Compiles `source`; on success `*postfix` points to the array in the
// program's pool. Reports load errors itself.
Result compile_expression(ScriptProgram& program, ExpressionSource source, ExprToken** postfix);

// Precedence of an operator symbol (for tests and the compiler).
int symbol_precedence(uint32_t symbol);

}  // namespace orv
