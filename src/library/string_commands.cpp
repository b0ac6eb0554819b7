// StringLeft, StringRight, StringTrimLeft, StringTrimRight, StringMid,
// StringLen, StringLower and StringUpper: the text of the input variable
// cut or converted into the output variable. Counts below zero count as zero.
#include "runtime/executor.h"

#include "library/letter_case.h"
#include "runtime/executor.h"
#include "runtime/numbers.h"
#include "runtime/variable.h"

namespace orv {

namespace {

size_t count_arg(const ExpandedArgs& args, int i) {
  int64_t n = text_to_int(arg_text(args, i));
  return n < 0 ? 0 : size_t(n);
}

Result store(const ExpandedArgs& args, StringView value) { return args.vars[0] ? args.vars[0]->assign(value) : ResultDone; }

}  // namespace

Result cmd_string_slice(const ScriptLine& line, ExpandedArgs& args) {
  StringView text = arg_text(args, 1);
  size_t n = count_arg(args, 2);
  if (n > text.size()) n = text.size();
  switch (line.action) {
    case CmdStringLeft: return store(args, text.substr(0, n));
    case CmdStringRight: return store(args, text.substr(text.size() - n));
    case CmdStringTrimLeft: return store(args, text.substr(n));
    default: return store(args, text.substr(0, text.size() - n));
  }
}

Result cmd_string_mid(const ScriptLine&, ExpandedArgs& args) {
  // StringMid, Out, In, StartChar [, Count, L]: with L the Count characters
  // ending at StartChar; Count omitted means as many as there are.
  StringView text = arg_text(args, 1);
  int64_t start = text_to_int(arg_text(args, 2));
  bool count_given = !trim(arg_text(args, 3)).empty();
  int64_t count = count_given ? text_to_int(arg_text(args, 3)) : int64_t(text.size());
  if (equals_ignore_case(trim(arg_text(args, 4)), u"L")) {
    if (start < 1) return store(args, StringView());
    if (!count_given) count = start;
    int64_t first = start - count + 1;
    if (first < 1) {
      count -= 1 - first;
      first = 1;
    }
    start = first;
  } else if (start < 1) {
    start = 1;
  }
  if (count <= 0 || start > int64_t(text.size())) return store(args, StringView());
  return store(args, text.substr(size_t(start - 1), size_t(count)));
}

Result cmd_string_len(const ScriptLine&, ExpandedArgs& args) {
  return args.vars[0] ? args.vars[0]->assign_int(int64_t(arg_text(args, 1).size())) : ResultDone;
}

Result cmd_string_case(const ScriptLine& line, ExpandedArgs& args) {
  String text(arg_text(args, 1));
  if (equals_ignore_case(trim(arg_text(args, 2)), u"T")) make_title(text);
  else if (line.action == CmdStringUpper) make_upper(text);
  else make_lower(text);
  return store(args, text);
}

}  // namespace orv
