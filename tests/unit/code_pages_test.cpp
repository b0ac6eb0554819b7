// Code-page conversion on the headless host (iconv), where the script tests
// cannot reach the cases that differ from Windows or need long input.
#include <gtest/gtest.h>

#include "platform/platform.h"

namespace orv {
namespace {

using namespace std::literals;
using platform::code_page_to_text;
using platform::text_to_code_page;

TEST(CodePages, UnmappableCharactersBecomeOneQuestionMarkEach) {
  struct Case {
    const char16_t* text;
    uint32_t code_page;
    const char* bytes;
  } cases[] = {
      {u"caf\u00e9", 1252, "caf\xe9"},
      {u"x\u0101y", 1252, "x?y"},          // no best fit: a-macron is no a
      {u"x\U0001F600y", 1252, "x?y"},      // a surrogate pair is one character
      {u"x\xd800y", 1252, "x?y"},          // so is a lone surrogate
      {u"\u20ac", 437, "?"},
      {u"\u4e2d\u20ac", 936, "\xd6\xd0\x80"},
      {u"a\u20ac", 65000, "a+IKw-"},       // a shift state closed at the end
      {u"\xdc00", 65001, "\xef\xbf\xbd"},
  };
  for (const Case& c : cases) {
    std::string out;
    ASSERT_TRUE(text_to_code_page(c.text, c.code_page, out)) << c.code_page;
    EXPECT_EQ(out, c.bytes) << c.code_page;
  }
}

TEST(CodePages, BytesThatAreNoCharacterBecomeReplacementCharacters) {
  struct Case {
    std::string_view bytes;
    uint32_t code_page;
    StringView text;
  } cases[] = {
      {"caf\xe9"sv, 1252, u"caf\u00e9"sv},
      {"a\x81z"sv, 1252, u"a\ufffdz"sv},
      {"\xd6\xd0" "a\xd6"sv, 936, u"\u4e2da\ufffd"sv},  // a lead byte cut off at the end
      {"a\0b"sv, 1252, u"a\0b"sv},
      {"\xff"sv, 65001, u"\ufffd"sv},
  };
  for (const Case& c : cases) {
    String out;
    ASSERT_TRUE(code_page_to_text(c.bytes, c.code_page, out)) << c.code_page;
    EXPECT_EQ(out, c.text) << c.code_page;
  }
}

TEST(CodePages, CodePagesWindowsDoesNotConvertAreRefused) {
  std::string bytes;
  String text;
  for (uint32_t cp : {1200u, 1201u, 12000u, 99999u}) {
    EXPECT_FALSE(text_to_code_page(u"a", cp, bytes)) << cp;
    EXPECT_FALSE(text_to_code_page(u"", cp, bytes)) << cp;
    EXPECT_FALSE(code_page_to_text("a", cp, text)) << cp;
  }
  EXPECT_TRUE(text_to_code_page(u"", 1252, bytes));
  EXPECT_TRUE(bytes.empty());
}

TEST(CodePages, LongTextsRoundTrip) {
  String text;
  for (int i = 0; i < 20000; ++i) text.push_back(char16_t(i % 3 == 0 ? 0xE9 : u'a' + i % 26));
  std::string bytes;
  ASSERT_TRUE(text_to_code_page(text, 1252, bytes));
  EXPECT_EQ(bytes.size(), text.size());
  String back;
  ASSERT_TRUE(code_page_to_text(bytes, 1252, back));
  EXPECT_EQ(back, text);
}

}  // namespace
}  // namespace orv
