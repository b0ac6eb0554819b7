// The expression evaluator: runs a postfix array on a value stack and
// produces one value. Texts produced on the way (concatenations, numbers
// turned into text, copies of built-in values) live in the evaluation's
// temporary memory until the caller has taken the result.
#pragma once

#include <vector>

#include "base/result.h"
#include "base/text.h"
#include "runtime/numbers.h"
#include "runtime/value.h"

namespace orv {

struct Variable;

// Temporary memory: blocks that never move, released back to a mark in
// stack order, so that an evaluation nested in a function call gives back
// exactly what it took.
class TempArena {
 public:
  class Scope;
  struct Mark {
    size_t block;
    size_t used;
  };
  ~TempArena();
  char16_t* allocate(size_t chars);
  Mark mark() const { return {current_, blocks_.empty() ? 0 : blocks_[current_].used}; }
  void release(Mark m);

 private:
  struct Block {
    char16_t* data;
    size_t size;
    size_t used;
  };
  std::vector<Block> blocks_;
  size_t current_ = 0;
};

// Inline: every expression and most commands take a mark of it.
inline TempArena& temp_arena() {
  static TempArena arena;
  return arena;
}

// Gives the temporary memory back to where it stood when the scope began,
// on every way out of it.
class TempArena::Scope {
 public:
  Scope() : mark_(temp_arena().mark()) {}
  ~Scope() { temp_arena().release(mark_); }
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;

 private:
  Mark mark_;
};

// Evaluates `code`. On success `result` holds the final value: a number, an
// object (with a reference the caller now owns), a variable, or text in the
// temporary memory, valid until the caller releases the arena to its mark.
Result evaluate(const ExprToken* code, ExprToken& result);

// A copy of `text` in temporary memory as a token of the given symbol
// (SymString or SymOperand); reports "Out of memory." on failure.
Result temp_text_token(StringView text, uint32_t symbol, ExprToken& out);

// --- value helpers shared with commands ------------------------------------------
NumType token_numeric_type(const ExprToken& t);
int64_t token_to_int(const ExprToken& t);
double token_to_double(const ExprToken& t);
// The text of a value; numbers are formatted into `buf` (256 characters).
StringView token_to_text(const ExprToken& t, char16_t* buf);
// Truth inside expressions (! && || ?:).
bool token_truth(const ExprToken& t);
// Truth of a whole condition (if, While, Until): "0" and "" are false even
// as quoted literals.
bool condition_truth(const ExprToken& t);

// The object a value designates: an object token or a variable holding one.
IObject* token_object(const ExprToken& token);
// Releases the reference an object token carries and leaves it empty.
void release_token(ExprToken& token);

}  // namespace orv
