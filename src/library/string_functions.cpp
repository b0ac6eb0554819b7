// The string functions: SubStr, InStr, Trim/LTrim/RTrim, StrReplace,
// StrSplit, Ord/Asc and Chr. Positions are 1-based and count UTF-16 units.
#include <cstdint>
#include <vector>

#include "base/messages.h"
#include "library/text_search.h"
#include "objects/object_model.h"
#include "runtime/builtin_functions.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/variable.h"

namespace orv {

namespace {

Result set_text(ExprToken& r, StringView text) { return temp_text_token(text, SymString, r); }

}  // namespace

Result builtin_substr(Func&, ExprToken& result, ExprToken* args, int argc) {
  char16_t buf[256];
  StringView s = token_to_text(args[0], buf);
  int64_t len = int64_t(s.size());
  // StartingPos - 1; the smallest integer stays itself (it counts from the
  // left end either way).
  int64_t pos = token_to_int(args[1]);
  int64_t start = pos == INT64_MIN ? pos : pos - 1;
  if (start >= len) return set_text(result, StringView());
  if (start < 0) {
    start += len;
    if (start < 0) start = 0;
  }
  int64_t remain = len - start;
  int64_t count = remain;
  if (arg_given(args, argc, 2)) {
    count = token_to_int(args[2]);
    if (count < 0) count = remain + count;
    if (count <= 0) return set_text(result, StringView());
    if (count > remain) count = remain;
  }
  return set_text(result, s.substr(size_t(start), size_t(count)));
}

Result builtin_instr(Func&, ExprToken& result, ExprToken* args, int argc) {
  char16_t b0[256], b1[256];
  StringView hay = token_to_text(args[0], b0);
  StringView needle = token_to_text(args[1], b1);
  CaseMode mode = arg_given(args, argc, 2) && token_truth(args[2]) ? CaseMode::Sensitive : CaseMode::Insensitive;
  int64_t occurrence = arg_given(args, argc, 4) ? token_to_int(args[4]) : 1;
  int64_t start = arg_given(args, argc, 3) ? token_to_int(args[3]) : 1;
  int64_t len = int64_t(hay.size());
  size_t found = StringView::npos;
  if (start >= 1) {
    if (start - 1 <= len) found = find_forward(hay, needle, size_t(start - 1), occurrence, mode);
  } else if (len + start >= 0) {
    // Backward: a match must end at or before the starting character.
    found = find_backward(hay, needle, size_t(len + start), occurrence, mode);
  }
  result = int_token(found == StringView::npos ? 0 : int64_t(found) + 1);
  return ResultDone;
}

Result builtin_trim(Func& func, ExprToken& result, ExprToken* args, int argc) {
  char16_t b0[256], b1[256];
  StringView s = token_to_text(args[0], b0);
  StringView omit = arg_given(args, argc, 1) ? token_to_text(args[1], b1) : StringView(u" \t");
  bool left = !equals_ignore_case(func.name, u"RTrim");
  bool right = !equals_ignore_case(func.name, u"LTrim");
  if (left)
    while (!s.empty() && omit.find(s.front()) != StringView::npos) s.remove_prefix(1);
  if (right)
    while (!s.empty() && omit.find(s.back()) != StringView::npos) s.remove_suffix(1);
  return set_text(result, s);
}

Result builtin_strreplace(Func&, ExprToken& result, ExprToken* args, int argc) {
  char16_t b0[256], b1[256], b2[256];
  StringView hay = token_to_text(args[0], b0);
  StringView search = token_to_text(args[1], b1);
  StringView replace = arg_given(args, argc, 2) ? token_to_text(args[2], b2) : StringView();
  int64_t limit = arg_given(args, argc, 4) ? token_to_int(args[4]) : -1;
  String out;
  int64_t count = replace_text(hay, search, replace, limit, thread_case_mode(), out);
  if (count == kReplacedTooLong) return report_memory_limit();
  if (argc > 3 && args[3].symbol == SymVar) {
    if (!args[3].var->assign_int(count)) return ResultFailed;
  }
  return set_text(result, count ? StringView(out) : hay);
}

Result builtin_strsplit(Func&, ExprToken& result, ExprToken* args, int argc) {
  char16_t b0[256], b1[256], b2[256];
  StringView s = token_to_text(args[0], b0);
  std::vector<String> delimiters;
  if (arg_given(args, argc, 1)) {
    if (auto* list = dynamic_cast<Object*>(token_object(args[1]))) {
      list->settle();
      for (int64_t i = 0; i < list->field_count(); ++i) {
        const ObjectField& f = list->field_at(i);
        if (f.kind == kFieldText && !f.text_view().empty()) delimiters.emplace_back(f.text_view());
      }
    } else {
      StringView d = token_to_text(args[1], b1);
      if (!d.empty()) delimiters.emplace_back(d);
    }
  }
  StringView omit = arg_given(args, argc, 2) ? token_to_text(args[2], b2) : StringView();
  Ref<Object> array = Ref<Object>::adopt(Object::create());
  if (!array) return report_runtime_error(message(Msg::OutOfMemory));
  int64_t n = 0;
  auto add = [&](StringView piece) {
    ExprToken t{};
    t.symbol = SymString;
    t.text = piece.data() ? piece.data() : u"";
    t.length = uint32_t(piece.size());
    return array->set_raw(++n, t);
  };
  bool ok = true;
  if (!s.empty()) {
    if (delimiters.empty()) {
      for (size_t i = 0; i < s.size() && ok; ++i) {
        // A surrogate pair is one character.
        size_t n = i + 1 < s.size() && is_high_surrogate(s[i]) && is_low_surrogate(s[i + 1]) ? 2 : 1;
        if (omit.find(s[i]) == StringView::npos) ok = add(s.substr(i, n));
        i += n - 1;
      }
    } else {
      auto trimmed = [&](StringView p) {
        while (!p.empty() && omit.find(p.front()) != StringView::npos) p.remove_prefix(1);
        while (!p.empty() && omit.find(p.back()) != StringView::npos) p.remove_suffix(1);
        return p;
      };
      size_t start = 0, i = 0;
      while (i < s.size() && ok) {
        size_t matched = 0;
        for (const String& d : delimiters)
          if (matches_at(s, i, d, CaseMode::Sensitive)) {
            matched = d.size();
            break;
          }
        if (matched) {
          ok = add(trimmed(s.substr(start, i - start)));
          i += matched;
          start = i;
        } else {
          ++i;
        }
      }
      if (ok) ok = add(trimmed(s.substr(start)));
    }
  }
  if (!ok) {
    array.reset();
    return report_runtime_error(message(Msg::OutOfMemory));
  }
  result = object_token(array.detach());
  return ResultDone;
}

Result builtin_ord(Func& func, ExprToken& result, ExprToken* args, int) {
  char16_t buf[256];
  StringView s = token_to_text(args[0], buf);
  int64_t code = s.empty() ? 0 : s[0];
  if (equals_ignore_case(func.name, u"Ord") && s.size() >= 2 && s[0] >= 0xD800 && s[0] <= 0xDBFF && s[1] >= 0xDC00 &&
      s[1] <= 0xDFFF)
    code = 0x10000 + ((s[0] - 0xD800) << 10) + (s[1] - 0xDC00);
  result = int_token(code);
  return ResultDone;
}

Result builtin_chr(Func&, ExprToken& result, ExprToken* args, int) {
  int64_t code = token_to_int(args[0]);
  char16_t units[2];
  size_t n = 0;
  if (code >= 0 && code <= 0xFFFF) {
    units[n++] = char16_t(code);
  } else if (code > 0xFFFF && code <= 0x10FFFF) {
    code -= 0x10000;
    units[n++] = char16_t(0xD800 + (code >> 10));
    units[n++] = char16_t(0xDC00 + (code & 0x3FF));
  }
  return set_text(result, StringView(units, n));
}

}  // namespace orv
