// RegExMatch and RegExReplace: the script's side of the pattern engine.
#include <pcre2.h>

#include <list>
#include <vector>

#include "base/messages.h"
#include "library/regex_cache.h"
#include "library/regex_callouts.h"
#include "library/regex_match_object.h"
#include "library/regex_matcher.h"
#include "library/regex_replacement.h"
#include "runtime/builtin_functions.h"
#include "runtime/error_level.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/scope.h"
#include "runtime/script_program.h"
#include "runtime/thread_settings.h"
#include "runtime/variable.h"

namespace orv {

namespace {

// The out-of-memory number scripts know from the engine.
constexpr int kOutOfMemory = -6;

// Inside Try an engine error is an exception naming the function; elsewhere
// ErrorLevel holds its number.
Result engine_failure(StringView function, int number, StringView text = {}) {
  if (g_thread->in_try) {
    String number_text = to_string(number);
    return throw_runtime_exception(g_thread->current_line, text.empty() ? StringView(number_text) : text, function, {});
  }
  return set_error_level(number);
}

// A pattern that does not compile is no run-time error: ErrorLevel says it.
Result report_compile_error(StringView text) {
  Variable* level = find_or_add_variable(*g_script, u"ErrorLevel");
  return level ? level->assign(text) : ResultFailed;
}

// StartingPosition: 1-based; 0 and below count back from the end (0 the
// last character); clamped to the text.
size_t start_offset(const ExprToken* args, int argc, int index, size_t length) {
  if (!arg_given(args, argc, index)) return 0;
  char16_t buf[256];
  if (token_to_text(args[index], buf).empty()) return 0;
  int64_t position = token_to_int(args[index]);
  if (position > 0) return uint64_t(position - 1) > length ? length : size_t(position - 1);
  // Counted back from the end without computing position - 1, which the
  // most negative number would overflow.
  uint64_t back = uint64_t(1) + (uint64_t(0) - uint64_t(position));
  return back > length ? 0 : length - size_t(back);
}

// The variables RegExMatch fills beside its output variable: named for it
// with a suffix, created where it lives (a function's local, or a global).
class GroupVariables {
 public:
  explicit GroupVariables(Variable& output) : base_(output.name_view()), global_((output.scope & ScopeGlobal) != 0) {}
  Variable* get(StringView middle, int group, const CompiledRegex& re) {
    name_.assign(base_);
    name_.append(middle);
    if (size_t(group) < re.names.size() && !re.names[group].empty()) name_.append(re.names[group]);
    else name_.append(to_string(group));
    return global_ ? find_global_or_add(*g_script, name_) : find_or_add_variable(*g_script, name_);
  }

 private:
  StringView base_;
  bool global_;
  String name_;
};

// With duplicate names, the first group of a name that produced a value
// keeps it: later ones of that name are skipped.
class DuplicateNames {
 public:
  explicit DuplicateNames(const CompiledRegex& re) : re_(re) {}
  bool skip(int group) const {
    if (size_t(group) >= re_.names.size() || re_.names[group].empty()) return false;
    for (int g : valued_)
      if (re_.names[g] == re_.names[group]) return true;
    return false;
  }
  void produced(int group) {
    if (size_t(group) < re_.names.size() && !re_.names[group].empty()) valued_.push_back(group);
  }

 private:
  const CompiledRegex& re_;
  std::vector<int> valued_;
};

// A group's stretch of the subject; empty when it took no part, or when a
// \K in a lookahead ended it before its start.
bool took_part(const size_t* ov, int rc, int group) {
  return group < rc && ov[2 * group] != PCRE2_UNSET && ov[2 * group + 1] >= ov[2 * group];
}
size_t length_of(const size_t* ov, int group) { return ov[2 * group + 1] >= ov[2 * group] ? ov[2 * group + 1] - ov[2 * group] : 0; }

Result store_plain(Variable& out, const CompiledRegex& re, StringView subject, const size_t* ov, int rc) {
  if (!out.assign(subject.substr(ov[0], length_of(ov, 0)))) return ResultFailed;
  GroupVariables vars(out);
  DuplicateNames duplicates(re);
  for (int g = 1; g <= int(re.group_count); ++g) {
    if (duplicates.skip(g)) continue;
    Variable* v = vars.get(u"", g, re);
    if (!v) return ResultFailed;
    bool value = took_part(ov, rc, g);
    if (!v->assign(value ? subject.substr(ov[2 * g], length_of(ov, g)) : StringView())) return ResultFailed;
    if (value) duplicates.produced(g);
  }
  return ResultDone;
}

Result store_positions(Variable& out, const CompiledRegex& re, const size_t* ov, int rc) {
  if (!out.assign_int(int64_t(length_of(ov, 0)))) return ResultFailed;
  GroupVariables vars(out);
  DuplicateNames duplicates(re);
  for (int g = 1; g <= int(re.group_count); ++g) {
    if (duplicates.skip(g)) continue;
    bool value = took_part(ov, rc, g);
    Variable* pos = vars.get(u"Pos", g, re);
    if (!pos || !pos->assign_int(value ? int64_t(ov[2 * g]) + 1 : 0)) return ResultFailed;
    Variable* len = vars.get(u"Len", g, re);
    if (!len || !len->assign_int(value ? int64_t(length_of(ov, g)) : 0)) return ResultFailed;
    if (value) duplicates.produced(g);
  }
  return ResultDone;
}

// Own copies of texts that may live in script variables. A callout runs
// script code that can assign those variables (and so free the texts) while
// the engine and later callouts still read them.
class CalloutInputs {
 public:
  explicit CalloutInputs(const CompiledRegex& re) : called_back_(re.has_callouts) {}
  void keep(StringView& text) {
    copies_.emplace_back(text);
    text = copies_.back();
  }
  void keep_if_called_back(StringView& text) {
    if (called_back_) keep(text);
  }

 private:
  bool called_back_;
  std::list<String> copies_;  // a list: the views must stay put as it grows
};

// Whether assigning the output variables could change the haystack: it is
// the output variable, or one of the names the groups get.
bool output_overlaps(const ExprToken& haystack, Variable& out) {
  if (haystack.symbol != SymVar) return false;
  return &haystack.var->target() == &out.target() || starts_with_ignore_case(haystack.var->name_view(), out.name_view());
}

}  // namespace

Result builtin_regex_match(Func&, ExprToken& result, ExprToken* args, int argc) {
  char16_t needle_buf[256];
  StringView needle = token_to_text(args[1], needle_buf);
  String error;
  RegexRef re = compile_regex(needle, error);
  if (!re) return report_compile_error(error);
  Variable* out = argc > 2 && args[2].symbol == SymVar ? args[2].var : nullptr;
  char16_t hay_buf[256];
  StringView subject = token_to_text(args[0], hay_buf);
  CalloutInputs inputs(*re);
  // The output variables are assigned after the match, which must not
  // disturb the haystack either.
  if (re->has_callouts || (out && output_overlaps(args[0], *out))) inputs.keep(subject);
  inputs.keep_if_called_back(needle);
  RegexMatcher matcher(*re);
  if (!matcher.ready()) return engine_failure(u"RegExMatch", kOutOfMemory);
  CalloutCall call{re, subject, needle};
  attach_callouts(matcher, call);
  int rc = matcher.match(subject, start_offset(args, argc, 3, subject.size()));
  if (call.failure != ResultDone) return call.failure;
  if (rc == PCRE2_ERROR_NOMATCH) {
    result = int_token(0);
    if (out && re->mode == RegexOutputMode::Plain && !out->assign_empty()) return ResultFailed;
    return set_error_level(0);
  }
  if (rc < 0) return engine_failure(u"RegExMatch", call.script_code ? rc : script_error_number(rc));
  const size_t* ov = matcher.ovector();
  if (out) {
    Result stored = ResultDone;
    switch (re->mode) {
      case RegexOutputMode::Plain: stored = store_plain(*out, *re, subject, ov, rc); break;
      case RegexOutputMode::Positions: stored = store_positions(*out, *re, ov, rc); break;
      case RegexOutputMode::Object: {
        IObject* object = new_regex_match_object(re, subject, ov, uint32_t(rc), matcher.mark());
        if (!object) return report_runtime_error(message(Msg::OutOfMemory));
        stored = out->assign_object(object);
        break;
      }
    }
    if (!stored) return ResultFailed;
  }
  result = int_token(int64_t(ov[0]) + 1);
  return set_error_level(0);
}

Result builtin_regex_replace(Func&, ExprToken& result, ExprToken* args, int argc) {
  char16_t needle_buf[256];
  StringView needle = token_to_text(args[1], needle_buf);
  String error;
  RegexRef re = compile_regex(needle, error);
  if (!re) return report_compile_error(error);
  char16_t hay_buf[256], repl_buf[256], limit_buf[256];
  StringView subject = token_to_text(args[0], hay_buf);
  StringView replacement = arg_given(args, argc, 2) ? token_to_text(args[2], repl_buf) : StringView();
  int64_t limit = -1;
  if (arg_given(args, argc, 4) && !token_to_text(args[4], limit_buf).empty()) limit = token_to_int(args[4]);
  size_t offset = start_offset(args, argc, 5, subject.size());
  CalloutInputs inputs(*re);
  inputs.keep_if_called_back(subject);
  inputs.keep_if_called_back(needle);
  inputs.keep_if_called_back(replacement);

  RegexMatcher matcher(*re);
  if (!matcher.ready()) return engine_failure(u"RegExReplace", kOutOfMemory, message(Msg::OutOfMemory));
  CalloutCall call{re, subject, needle};
  attach_callouts(matcher, call);
  String out;
  size_t copied = 0;  // the haystack up to here is in `out` already
  int64_t count = 0;
  uint32_t options = 0;
  int rc = 0;
  while (limit < 0 || count < limit) {
    rc = matcher.match(subject, offset, options);
    if (call.failure != ResultDone) return call.failure;
    if (rc == PCRE2_ERROR_NOMATCH && options) {
      // Nothing but the empty match stood here: step over one character (a
      // surrogate pair, or a CR LF where that is one line end) and go on.
      size_t step = 1;
      if (offset + 1 < subject.size()) {
        char16_t c = subject[offset], d = subject[offset + 1];
        if ((is_high_surrogate(c) && is_low_surrogate(d)) || (c == u'\r' && d == u'\n' && re->newline_has_crlf)) step = 2;
      }
      offset += step;
      options = 0;
      if (offset > subject.size()) break;
      continue;
    }
    if (rc < 0) break;
    const size_t* ov = matcher.ovector();
    size_t start = ov[0], end = ov[1] < ov[0] ? ov[0] : ov[1];
    out.append(subject.substr(copied, start - copied));
    expand_replacement(replacement, MatchGroups{*re, subject, ov, uint32_t(rc)}, out);
    if (over_memory_limit(out.size() + (subject.size() - end))) {
      return engine_failure(u"RegExReplace", kOutOfMemory, message(Msg::OutOfMemory));
    }
    ++count;
    copied = end;
    offset = end;
    // After an empty match, the next may not be empty at the same place.
    options = end == start ? PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED : 0;
  }
  if (argc > 3 && args[3].symbol == SymVar && !args[3].var->assign_int(count)) return ResultFailed;
  Result level = ResultDone;
  if (rc < 0 && rc != PCRE2_ERROR_NOMATCH) {
    level = engine_failure(u"RegExReplace", call.script_code ? rc : script_error_number(rc));
    if (!level) return level;
  } else if (!set_error_level(0)) {
    return ResultFailed;
  }
  if (count == 0) return temp_text_token(subject, SymString, result);
  out.append(subject.substr(copied));
  return temp_text_token(out, SymString, result);
}

}  // namespace orv
