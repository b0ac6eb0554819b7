// Fuzz target: the regular-expression pieces that take scripts' text
// apart. Either a fuzzed needle goes through the option-prefix reader and
// the compiling cache and is then matched over a fuzzed subject, or a
// fuzzed replacement is expanded over a match of one of a few fixed
// patterns. Besides surviving, results are held to properties that follow
// from the definitions: the prefix against a second reading of its rule,
// the cache's answer against the compile's, group bounds against the
// subject, and the size of an expansion against what its references can
// insert.
#include <fuzzer/FuzzedDataProvider.h>

#include <pcre2.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "library/regex_cache.h"
#include "library/regex_matcher.h"
#include "library/regex_options.h"
#include "library/regex_replacement.h"

namespace orv {
namespace {

void check(bool ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "regex_fuzz: %s\n", what);
    abort();
  }
}

String take_text(FuzzedDataProvider& in, size_t most) {
  std::string bytes = in.ConsumeRandomLengthString(most);
  // Mostly UTF-8; sometimes raw 16-bit units, lone surrogates included.
  if (!bytes.empty() && bytes[0] == '\x01') {
    String units;
    for (size_t i = 1; i + 1 < bytes.size(); i += 2) units.push_back(char16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8));
    return units;
  }
  return utf8_to_utf16(bytes);
}

bool is_option_char(char16_t c) {
  return StringView(u"imsxADJUXCSOP\n\r\a \t").find(c) != StringView::npos;
}

// Where the pattern proper starts, read again from the rule: after the
// first ")" when everything before it is option characters.
size_t expected_offset(StringView needle) {
  size_t close = needle.find(u')');
  if (close == StringView::npos) return 0;
  for (size_t i = 0; i < close; ++i)
    if (!is_option_char(needle[i])) return 0;
  return close + 1;
}

void check_groups(const CompiledRegex& re, StringView subject, const RegexMatcher& matcher, int rc) {
  check(uint32_t(rc) <= re.group_count + 1, "more groups reported than the pattern has");
  const size_t* ov = matcher.ovector();
  for (int g = 0; g < rc; ++g) {
    if (ov[2 * g] == PCRE2_UNSET) continue;
    check(ov[2 * g] <= subject.size() && ov[2 * g + 1] <= subject.size(), "a group outside the subject");
  }
}

void compile_and_match(FuzzedDataProvider& in) {
  String needle = take_text(in, 96);
  String subject = take_text(in, 96);
  RegexOptions o = parse_regex_options(needle);
  check(o.pattern_offset == expected_offset(needle), "option prefix read differently");
  String error;
  RegexRef re = compile_regex(needle, error);
  if (!re) {
    check(error.rfind(u"Compile error ", 0) == 0, "a failed compile without its message");
    return;
  }
  check(re->pattern_offset == o.pattern_offset && re->mode == o.mode, "the compiled pattern lost its options");
  String again_error;
  check(compile_regex(needle, again_error) == re, "a pattern just compiled is not the cache's");
  RegexMatcher matcher(*re);
  if (!matcher.ready()) return;
  size_t offset = in.ConsumeIntegralInRange<size_t>(0, subject.size());
  int rc = matcher.match(subject, offset);
  if (rc > 0) check_groups(*re, subject, matcher, rc);
}

void expand(FuzzedDataProvider& in) {
  static const char16_t* const kPatterns[] = {
      u"(\\w+)\\s*(\\d)?",
      u"J)(?<n>a)|(?<n>b)|(?<word>\\w+)",
      u"(?<first>.)(.)(.)(.)(.)(.)(.)(.)(.)(.)(.)(.)",
      u"i)(?<A>x)?(?<b>y)*",
      u"",
  };
  const char16_t* pattern = kPatterns[in.ConsumeIntegralInRange<size_t>(0, std::size(kPatterns) - 1)];
  String subject = take_text(in, 64);
  String replacement = take_text(in, 128);
  String error;
  RegexRef re = compile_regex(pattern, error);
  check(re != nullptr, "a fixed pattern does not compile");
  RegexMatcher matcher(*re);
  if (!matcher.ready()) return;
  int rc = matcher.match(subject, 0);
  if (rc <= 0) return;
  check_groups(*re, subject, matcher, rc);
  String out = u"kept:";
  expand_replacement(replacement, MatchGroups{*re, subject, matcher.ovector(), uint32_t(rc)}, out);
  check(out.rfind(u"kept:", 0) == 0, "the expansion changed what came before it");
  size_t dollars = 0;
  for (char16_t c : replacement) dollars += c == u'$';
  if (dollars == 0) check(StringView(out).substr(5) == replacement, "text without references was not copied");
  // Each reference inserts at most the whole subject, in place of at least
  // its dollar sign.
  check(out.size() - 5 <= replacement.size() + dollars * subject.size(), "an expansion longer than its references allow");
}

}  // namespace
}  // namespace orv

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  if (in.ConsumeBool()) orv::compile_and_match(in);
  else orv::expand(in);
  return 0;
}
