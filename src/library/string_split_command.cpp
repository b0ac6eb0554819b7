// StringSplit, Array, InputVar [, Delimiters, OmitChars]: the pieces go to
// Array1, Array2 ... and their count to Array0. Every character of
// Delimiters ends a piece; without delimiters every character is a piece.
#include "runtime/executor.h"

#include "runtime/scope.h"
#include "runtime/variable.h"

namespace orv {

namespace {

bool contains(StringView set, char16_t c) { return set.find(c) != StringView::npos; }

StringView trimmed(StringView piece, StringView omit) {
  while (!piece.empty() && contains(omit, piece.front())) piece.remove_prefix(1);
  while (!piece.empty() && contains(omit, piece.back())) piece.remove_suffix(1);
  return piece;
}

// The elements live where the count lives: in the running function's scope,
// or among the globals when Array0 is global there (an assume-global
// function, or Array0 declared global), even when the function has a local
// of an element's name.
Variable* element(StringView array, int64_t index, bool global) {
  String name = String(array) + to_string(index);
  return global ? find_global_or_add(*g_script, name) : find_or_add_variable(*g_script, name);
}

}  // namespace

Result cmd_string_split(const ScriptLine&, ExpandedArgs& args) {
  StringView array = arg_text(args, 0);
  StringView input = arg_text(args, 1);
  StringView delimiters = arg_text(args, 2);
  StringView omit = arg_text(args, 3);
  Variable* count_var = find_or_add_variable(*g_script, String(array) + u"0");
  if (!count_var) return ResultFailed;
  bool global = (count_var->scope & ScopeGlobal) != 0;
  int64_t count = 0;
  auto add = [&](StringView piece) -> Result {
    Variable* v = element(array, ++count, global);
    return v ? v->assign(piece) : ResultFailed;
  };
  if (delimiters.empty()) {
    for (size_t i = 0; i < input.size(); ++i) {
      // A surrogate pair is one character.
      size_t n = i + 1 < input.size() && is_high_surrogate(input[i]) && is_low_surrogate(input[i + 1]) ? 2 : 1;
      if (!contains(omit, input[i]) && !add(input.substr(i, n))) return ResultFailed;
      i += n - 1;
    }
  } else if (!input.empty()) {
    size_t start = 0;
    for (size_t i = 0; i <= input.size(); ++i) {
      if (i < input.size() && !contains(delimiters, input[i])) continue;
      if (!add(trimmed(input.substr(start, i - start), omit))) return ResultFailed;
      start = i + 1;
    }
  }
  return count_var->assign_int(count);
}

}  // namespace orv
