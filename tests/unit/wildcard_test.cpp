// File-name patterns as Windows matches them.
#include <gtest/gtest.h>

#include "base/wildcard.h"

namespace orv {
namespace {

TEST(Wildcard, MatchesAsFileNames) {
  struct Case {
    const char16_t* pattern;
    const char16_t* name;
    bool match;
  } cases[] = {
      {u"*.txt", u"a.txt", true},   {u"*.txt", u"A.TXT", true},   {u"*.txt", u"a.txt.bak", false},
      {u"*.*", u"noext", true},     {u"*.*", u"a.b.c", true},     {u"a?c", u"abc", true},
      {u"a?c", u"ac", false},       {u"*", u"", true},            {u"*b*", u"abc", true},
      {u"*b*", u"acd", false},      {u"a*b*c", u"aXbYbZc", true}, {u"x.*", u"x", true},
  };
  for (const Case& c : cases) EXPECT_EQ(wildcard_match(c.pattern, c.name), c.match) << utf16_to_utf8(c.pattern) << " " << utf16_to_utf8(c.name);
}

}  // namespace
}  // namespace orv
