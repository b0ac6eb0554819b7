// StringGetPos and StringReplace: searches by the thread's StringCaseSense
// setting, reporting through ErrorLevel whether anything was found.
#include "library/text_search.h"
#include "runtime/error_level.h"
#include "runtime/executor.h"
#include "runtime/numbers.h"
#include "runtime/variable.h"

namespace orv {

Result cmd_string_get_pos(const ScriptLine&, ExpandedArgs& args) {
  // StringGetPos, Out, In, SearchText [, L#|R#, Offset]: R (or 1) counts
  // occurrences from the right, and the Offset skips that many characters
  // at the end the search starts from. The position is 0-based from the
  // left either way; -1 when there is no such occurrence.
  StringView hay = arg_text(args, 1);
  StringView needle = arg_text(args, 2);
  StringView side = trim(arg_text(args, 3));
  bool from_right = side == u"1" || (!side.empty() && upper_case(side[0]) == u'R');
  int64_t occurrence = 1;
  if (side.size() > 1 && (upper_case(side[0]) == u'L' || upper_case(side[0]) == u'R')) {
    occurrence = text_to_int(side.substr(1));
    if (occurrence < 1) occurrence = 1;
  }
  int64_t offset = text_to_int(arg_text(args, 4));
  if (offset < 0) offset = 0;
  size_t found = StringView::npos;
  if (uint64_t(offset) <= hay.size()) {
    found = from_right ? find_backward(hay, needle, hay.size() - size_t(offset), occurrence, thread_case_mode())
                       : find_forward(hay, needle, size_t(offset), occurrence, thread_case_mode());
  }
  if (args.vars[0] && !args.vars[0]->assign_int(found == StringView::npos ? -1 : int64_t(found))) return ResultFailed;
  return set_error_level(found == StringView::npos ? 1 : 0);
}

Result cmd_string_replace(const ScriptLine&, ExpandedArgs& args) {
  // StringReplace, Out, In, SearchText [, ReplaceText, ReplaceAll?]: the
  // first match only unless the last parameter is All, A, 1 or
  // UseErrorLevel. ErrorLevel is 1 when nothing was replaced, or with
  // UseErrorLevel the number of replacements.
  StringView hay = arg_text(args, 1);
  StringView mode = trim(arg_text(args, 4));
  bool count_in_error_level = equals_ignore_case(mode, u"UseErrorLevel");
  bool all = count_in_error_level || mode == u"1" || equals_ignore_case(mode, u"A") || equals_ignore_case(mode, u"All");
  String out;
  int64_t count = replace_text(hay, arg_text(args, 2), arg_text(args, 3), all ? -1 : 1, thread_case_mode(), out);
  if (count == kReplacedTooLong) return report_memory_limit();
  if (args.vars[0] && !args.vars[0]->assign(count ? StringView(out) : hay)) return ResultFailed;
  return set_error_level(count_in_error_level ? count : count ? 0 : 1);
}

}  // namespace orv
