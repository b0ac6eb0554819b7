// The pieces of the regular-expression functions that need no script: the
// option prefix, the cache of compiled patterns and the replacement syntax.
#include <gtest/gtest.h>

#include <pcre2.h>

#include "library/regex_cache.h"
#include "library/regex_matcher.h"
#include "library/regex_options.h"
#include "library/regex_replacement.h"

namespace orv {
namespace {

TEST(RegexOptions, PrefixTable) {
  // What every needle gets without options.
  const uint32_t base = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF;
  const uint32_t literal_escapes = PCRE2_EXTRA_BAD_ESCAPE_IS_LITERAL;
  using M = RegexOutputMode;
  struct Case {
    const char16_t* needle;
    uint32_t compile;  // beyond `base`
    uint32_t extra;
    uint32_t newline;
    M mode;
    bool jit;
    size_t offset;
  } cases[] = {
      {u"i)abc", PCRE2_CASELESS, literal_escapes, PCRE2_NEWLINE_CRLF, M::Plain, false, 2},
      {u"m)", PCRE2_MULTILINE, literal_escapes, PCRE2_NEWLINE_CRLF, M::Plain, false, 2},
      {u"s)", PCRE2_DOTALL, literal_escapes, PCRE2_NEWLINE_CRLF, M::Plain, false, 2},
      {u"x)", PCRE2_EXTENDED, literal_escapes, PCRE2_NEWLINE_CRLF, M::Plain, false, 2},
      {u"A)", PCRE2_ANCHORED, literal_escapes, PCRE2_NEWLINE_CRLF, M::Plain, false, 2},
      {u"D)", PCRE2_DOLLAR_ENDONLY, literal_escapes, PCRE2_NEWLINE_CRLF, M::Plain, false, 2},
      {u"J)", PCRE2_DUPNAMES, literal_escapes, PCRE2_NEWLINE_CRLF, M::Plain, false, 2},
      {u"U)", PCRE2_UNGREEDY, literal_escapes, PCRE2_NEWLINE_CRLF, M::Plain, false, 2},
      {u"X)", 0, 0, PCRE2_NEWLINE_CRLF, M::Plain, false, 2},
      {u"C)", PCRE2_AUTO_CALLOUT, literal_escapes, PCRE2_NEWLINE_CRLF, M::Plain, false, 2},
      {u"S)", 0, literal_escapes, PCRE2_NEWLINE_CRLF, M::Plain, true, 2},
      {u"O)", 0, literal_escapes, PCRE2_NEWLINE_CRLF, M::Object, false, 2},
      {u"P)", 0, literal_escapes, PCRE2_NEWLINE_CRLF, M::Positions, false, 2},
      {u"OP)", 0, literal_escapes, PCRE2_NEWLINE_CRLF, M::Positions, false, 3},
      {u"\n)", 0, literal_escapes, PCRE2_NEWLINE_LF, M::Plain, false, 2},
      {u"\r)", 0, literal_escapes, PCRE2_NEWLINE_CR, M::Plain, false, 2},
      {u"\r\n)", 0, literal_escapes, PCRE2_NEWLINE_CRLF, M::Plain, false, 3},
      {u"\a)", 0, literal_escapes, PCRE2_NEWLINE_ANY, M::Plain, false, 2},
      {u"\n\r)x", 0, literal_escapes, PCRE2_NEWLINE_CR, M::Plain, false, 3},
      {u"\r\r\n)", 0, literal_escapes, PCRE2_NEWLINE_CRLF, M::Plain, false, 4},
      {u" \ti m)", PCRE2_CASELESS | PCRE2_MULTILINE, literal_escapes, PCRE2_NEWLINE_CRLF, M::Plain, false, 6},
      {u"imsxADJUXCSO)a", PCRE2_CASELESS | PCRE2_MULTILINE | PCRE2_DOTALL | PCRE2_EXTENDED | PCRE2_ANCHORED |
                              PCRE2_DOLLAR_ENDONLY | PCRE2_DUPNAMES | PCRE2_UNGREEDY | PCRE2_AUTO_CALLOUT,
       0, PCRE2_NEWLINE_CRLF, M::Object, true, 13},
      // The first ")" ends the options; the rest is pattern.
      {u"i)x)", PCRE2_CASELESS, literal_escapes, PCRE2_NEWLINE_CRLF, M::Plain, false, 2},
      // No prefix: a character that is no option before the ")", or no ")".
      {u"(abc)", 0, literal_escapes, PCRE2_NEWLINE_CRLF, M::Plain, false, 0},
      {u"I)abc", 0, literal_escapes, PCRE2_NEWLINE_CRLF, M::Plain, false, 0},
      {u"iq)abc", 0, literal_escapes, PCRE2_NEWLINE_CRLF, M::Plain, false, 0},
      {u"im", 0, literal_escapes, PCRE2_NEWLINE_CRLF, M::Plain, false, 0},
      {u"abc", 0, literal_escapes, PCRE2_NEWLINE_CRLF, M::Plain, false, 0},
      {u"", 0, literal_escapes, PCRE2_NEWLINE_CRLF, M::Plain, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(utf16_to_utf8(c.needle));
    RegexOptions o = parse_regex_options(c.needle);
    EXPECT_EQ(o.compile, base | c.compile);
    EXPECT_EQ(o.extra, c.extra);
    EXPECT_EQ(o.newline, c.newline);
    EXPECT_EQ(o.mode, c.mode);
    EXPECT_EQ(o.jit, c.jit);
    EXPECT_EQ(o.pattern_offset, c.offset);
  }
}

class RegexCache : public ::testing::Test {
 protected:
  void SetUp() override { clear_regex_cache(); }
  void TearDown() override { clear_regex_cache(); }

  static RegexRef compile(StringView needle) {
    String error;
    RegexRef re = compile_regex(needle, error);
    EXPECT_TRUE(re) << utf16_to_utf8(error);
    return re;
  }
  static String numbered(int n) { return u"p" + to_string(n); }
  // Fills all slots with p0..p99, in that order.
  static void fill() {
    for (int n = 0; n < kRegexCacheSlots; ++n) compile(numbered(n));
  }
};

TEST_F(RegexCache, HitGivesTheSameCompiledPattern) {
  RegexRef a = compile(u"a+b");
  compile(u"other");
  EXPECT_EQ(compile(u"a+b"), a);
}

TEST_F(RegexCache, TheNextPatternEvictsTheSlotAfterTheLastFilledWrapping) {
  fill();
  for (int n = 0; n < kRegexCacheSlots; ++n) ASSERT_TRUE(regex_cached(numbered(n))) << n;
  compile(u"new1");  // wraps to the first slot
  EXPECT_FALSE(regex_cached(u"p0"));
  EXPECT_TRUE(regex_cached(u"p1"));
  // A hit elsewhere does not move the place of the next eviction.
  compile(u"p50");
  compile(u"new2");
  EXPECT_FALSE(regex_cached(u"p1"));
  EXPECT_TRUE(regex_cached(u"p2"));
  EXPECT_TRUE(regex_cached(u"p51"));
  EXPECT_TRUE(regex_cached(u"new1"));
  EXPECT_TRUE(regex_cached(u"new2"));
}

TEST_F(RegexCache, OptionsArePartOfTheKey) {
  RegexRef studied = compile(u"S)x");
  RegexRef plain = compile(u"x");
  EXPECT_NE(studied, plain);
  EXPECT_TRUE(regex_cached(u"S)x"));
  EXPECT_TRUE(regex_cached(u"x"));
  EXPECT_EQ(compile(u"S)x"), studied);
}

TEST_F(RegexCache, AFailedCompileStoresNothing) {
  fill();
  String error;
  EXPECT_FALSE(compile_regex(u"i)(", error));
  EXPECT_EQ(utf16_to_utf8(error), "Compile error 114 at offset 1: missing closing parenthesis");
  EXPECT_FALSE(regex_cached(u"i)("));
  // Nothing was evicted for it: the next good pattern takes the first slot.
  EXPECT_TRUE(regex_cached(u"p0"));
  compile(u"good");
  EXPECT_FALSE(regex_cached(u"p0"));
  EXPECT_TRUE(regex_cached(u"p1"));
}

TEST_F(RegexCache, APatternHeldSurvivesItsEviction) {
  RegexRef held = compile(u"O)(b+)");
  fill();
  ASSERT_FALSE(regex_cached(u"O)(b+)"));
  RegexMatcher matcher(*held);
  ASSERT_TRUE(matcher.ready());
  EXPECT_EQ(matcher.match(u"abbc", 0), 2);
  EXPECT_EQ(matcher.ovector()[2], 1u);
  EXPECT_EQ(matcher.ovector()[3], 3u);
  EXPECT_EQ(held->mode, RegexOutputMode::Object);
}

// Matching such a pattern may run script code that changes the variables
// its texts came from, so the functions copy them first.
TEST_F(RegexCache, KnowsWhetherAPatternCanCallOut) {
  struct Case {
    const char16_t* needle;
    bool callouts;
  } cases[] = {
      {u"ab", false}, {u"a(?C)b", true}, {u"a(?C7)b", true}, {u"a(?C'name')b", true}, {u"C)ab", true}, {u"a\\(?C1\\)", false},
  };
  for (const Case& c : cases) {
    RegexRef re = compile(c.needle);
    ASSERT_TRUE(re);
    EXPECT_EQ(re->has_callouts, c.callouts) << utf16_to_utf8(c.needle);
  }
}

// The replacement for the first match of `needle` in `subject`.
String expand_first(StringView needle, StringView subject, StringView replacement) {
  String error;
  RegexRef re = compile_regex(needle, error);
  EXPECT_TRUE(re) << utf16_to_utf8(error);
  if (!re) return u"<no pattern>";
  RegexMatcher matcher(*re);
  int rc = matcher.match(subject, 0);
  EXPECT_GT(rc, 0);
  if (rc <= 0) return u"<no match>";
  String out;
  expand_replacement(replacement, MatchGroups{*re, subject, matcher.ovector(), uint32_t(rc)}, out);
  return out;
}

TEST(RegexReplacement, References) {
  // Twelve one-letter groups, then a named one that takes no part.
  const char16_t* twelve = u"(\\w)(\\w)(\\w)(\\w)(\\w)(\\w)(\\w)(\\w)(\\w)(\\w)(\\w)(\\w)(?<late>z)?";
  const char16_t* subject = u"abcdefghijkl";
  struct Case {
    const char16_t* replacement;
    const char16_t* expected;
  } cases[] = {
      {u"plain text", u"plain text"},
      {u"$$", u"$"},
      {u"$$1", u"$1"},
      {u"[$0]", u"[abcdefghijkl]"},
      {u"$1$9", u"ai"},
      {u"$10", u"a0"},  // one digit only
      {u"${12}", u"l"},
      {u"${0x2}", u"b"},
      {u"${0XC}", u"l"},
      {u"${ 1 }", u"a"},
      {u"${+3}", u"c"},
      {u"${-1}", u""},
      {u"${13}", u""},  // took no part
      {u"${late}", u""},
      {u"${99}", u""},  // no such group
      {u"${nosuch}", u""},
      {u"${}", u"${}"},
      {u"${1", u"${1"},
      {u"${aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa}x", u"x"},  // 32 characters: a (missing) name
      {u"${aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa}", u"${aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa}"},  // 33: text
      {u"$x", u"$x"},
      {u"a$", u"a$"},
      {u"$U", u"$U"},
      {u"$Ux$1", u"$Uxa"},
      {u"$$$1$", u"$a$"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(utf16_to_utf8(expand_first(twelve, subject, c.replacement)), utf16_to_utf8(c.expected))
        << utf16_to_utf8(c.replacement);
}

TEST(RegexReplacement, LetterCase) {
  struct Case {
    const char16_t* replacement;
    const char16_t* expected;
  } cases[] = {
      {u"$U1", u"HELLO"},      {u"$u1", u"HELLO"},       {u"$L1", u"hello"},  {u"$l{1}", u"hello"},
      {u"$T2", u"World-Wide"}, {u"$t{2}", u"World-Wide"}, {u"$U0", u"HELLO WORLD-WIDE"},
      {u"$U9", u""},  // no such group
      {u"$Ux", u"$Ux"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(utf16_to_utf8(expand_first(u"(\\w+) (\\S+)", u"hELLO wORLD-wIDE", c.replacement)), utf16_to_utf8(c.expected))
        << utf16_to_utf8(c.replacement);
}

TEST(RegexReplacement, GroupsThatTookNoPartAndDuplicateNames) {
  EXPECT_EQ(expand_first(u"(a)|(b)", u"b", u"[$1][$2]"), u"[][b]");
  // With duplicate names, the first group of the name that took part.
  const char16_t* dup = u"J)(?<n>a)|(?<n>b)";
  EXPECT_EQ(expand_first(dup, u"b", u"[${n}]"), u"[b]");
  EXPECT_EQ(expand_first(dup, u"a", u"[${n}]"), u"[a]");
  // Names are exact in the replacement.
  EXPECT_EQ(expand_first(dup, u"a", u"[${N}]"), u"[]");
}

}  // namespace
}  // namespace orv
