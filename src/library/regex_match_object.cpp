#include "library/regex_match_object.h"

#include <pcre2.h>

#include <new>
#include <vector>

#include "runtime/evaluator.h"
#include "runtime/object.h"

namespace orv {

namespace {

class RegexMatchObject final : public ObjectBase {
 public:
  RegexMatchObject(RegexRef regex, StringView subject, const size_t* ovector, uint32_t pairs, StringView mark);
  Result invoke(ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** params, int count) override;
  StringView type_name() const override { return u"RegExMatchObject"; }

 private:
  // The group an argument names: a number, or a name in any letter case;
  // -1 for none.
  int group_of(const ExprToken* arg) const;
  size_t start(int group) const { return ovector_[2 * group]; }
  size_t end(int group) const { return ovector_[2 * group + 1]; }
  bool took_part(int group) const { return group >= 0 && group <= int(regex_->group_count) && start(group) != PCRE2_UNSET; }
  StringView text_of(int group) const {
    return took_part(group) ? StringView(text_).substr(start(group) - base_, end(group) - start(group)) : StringView();
  }

  RegexRef regex_;
  // Only the stretch of the subject the groups cover, from `base_` on: a
  // loop over a long text must not copy all of it for every match.
  String text_;
  size_t base_ = 0;
  std::vector<size_t> ovector_;  // start and end per group; PCRE2_UNSET when it took no part
  String mark_;
};

RegexMatchObject::RegexMatchObject(RegexRef regex, StringView subject, const size_t* ovector, uint32_t pairs,
                                   StringView mark)
    : regex_(std::move(regex)), mark_(mark) {
  uint32_t groups = regex_->group_count + 1;
  ovector_.assign(2 * size_t(groups), PCRE2_UNSET);
  size_t low = subject.size(), high = 0;
  for (uint32_t g = 0; g < groups && g < pairs; ++g) {
    size_t s = ovector[2 * g], e = ovector[2 * g + 1];
    // A \K inside a lookahead can end a match before its start; such a
    // group has no text.
    if (s == PCRE2_UNSET || e < s || e > subject.size()) continue;
    ovector_[2 * g] = s;
    ovector_[2 * g + 1] = e;
    if (s < low) low = s;
    if (e > high) high = e;
  }
  if (low < high) {
    base_ = low;
    text_.assign(subject.substr(low, high - low));
  }
}

int RegexMatchObject::group_of(const ExprToken* arg) const {
  if (!arg || arg->symbol == SymMissing) return 0;
  if (token_numeric_type(*arg) == NumType::Integer) {
    int64_t n = token_to_int(*arg);
    return n >= 0 && n <= int64_t(regex_->group_count) ? int(n) : -1;
  }
  char16_t buf[256];
  StringView name = token_to_text(*arg, buf);
  if (name.empty()) return 0;
  return regex_->group_named(name, true, ovector_.data(), regex_->group_count + 1);
}

Result RegexMatchObject::invoke(ExprToken& result, ExprToken&, uint32_t flags, ExprToken** params, int count) {
  if ((flags & InvokeTypeMask) == InvokeSet || count < 1) return ResultNotHandled;
  const ExprToken* arg = count > 1 ? params[1] : nullptr;
  char16_t buf[256];
  StringView member = params[0]->symbol == SymString || params[0]->symbol == SymOperand ? token_to_text(*params[0], buf)
                                                                                        : StringView();
  auto number = [&](int64_t n) {
    result = int_token(n);
    return ResultDone;
  };
  if (equals_ignore_case(member, u"Count")) return number(regex_->group_count);
  if (equals_ignore_case(member, u"Mark")) return temp_text_token(mark_, SymString, result);
  int group;
  if (equals_ignore_case(member, u"Pos") || equals_ignore_case(member, u"Len")) {
    group = group_of(arg);
    if (group < 0) return ResultDone;
    if (!took_part(group)) return number(0);
    return number(member[0] == u'P' || member[0] == u'p' ? int64_t(start(group)) + 1 : int64_t(end(group) - start(group)));
  }
  if (equals_ignore_case(member, u"Value")) return temp_text_token(text_of(group_of(arg)), SymString, result);
  if (equals_ignore_case(member, u"Name")) {
    group = group_of(arg);
    if (group <= 0 || size_t(group) >= regex_->names.size()) return ResultDone;
    return temp_text_token(regex_->names[group], SymString, result);
  }
  // Anything else is a group: m[1], m["year"], m.year.
  if ((flags & InvokeTypeMask) == InvokeCall) return ResultNotHandled;
  return temp_text_token(text_of(group_of(params[0])), SymString, result);
}

}  // namespace

IObject* new_regex_match_object(RegexRef regex, StringView subject, const size_t* ovector, uint32_t pairs,
                                StringView mark) {
  return new (std::nothrow) RegexMatchObject(std::move(regex), subject, ovector, pairs, mark);
}

}  // namespace orv
