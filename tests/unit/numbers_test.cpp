// The numeric-text rule, the lenient conversions and number formatting.
// A script controls both the texts and the float format, so the malformed
// cases matter as much as the ordinary ones.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "runtime/numbers.h"

namespace orv {
namespace {

String u16(std::string_view s) { return utf8_to_utf16(s); }

TEST(NumericText, Rule) {
  struct Case {
    const char* text;
    NumType type;
  };
  const NumType I = NumType::Integer, F = NumType::Float, N = NumType::NotNumeric;
  const Case cases[] = {
      {"12", I},      {" 12 ", I},      {"\t-5\t", I},     {"+5", I},       {"1.5", F},      {"1.", F},
      {".5", F},      {"1.e3", F},      {"1.0e5", F},      {"1.0E+5", F},   {"2.5e-3", F},   {"1e3", N},
      {"1.0e", N},    {"1.0e+", N},     {"1.0e5.", N},     {"0x1F", I},     {"-0x1F", I},    {"0X1f", I},
      {"0x1e5", I},   {"0x", N},        {"0x ", N},        {"0xG", N},      {"0x1.5", N},    {"+", N},
      {"-", N},       {".", N},         {"", N},           {"   ", N},      {"1 2", N},      {"1.2.3", N},
      {"12abc", N},   {"- 5", N},       {"+-5", N},        {"inf", N},      {"1,000", N},    {"5\n", N},
  };
  for (const Case& c : cases) EXPECT_EQ(numeric_type_of(u16(c.text)), c.type) << '"' << c.text << '"';
}

TEST(NumericText, Narrowed) {
  EXPECT_EQ(numeric_type_of(u"-5", NumericNoNegative), NumType::NotNumeric);
  EXPECT_EQ(numeric_type_of(u"+5", NumericNoNegative), NumType::Integer);
  EXPECT_EQ(numeric_type_of(u"", NumericEmptyIsZero), NumType::Integer);
  EXPECT_EQ(numeric_type_of(u"1.5", NumericIntegerOnly), NumType::NotNumeric);
  EXPECT_EQ(numeric_type_of(u"15", NumericIntegerOnly), NumType::Integer);
}

TEST(NumericText, ToInt) {
  struct Case {
    const char* text;
    int64_t value;
  };
  const Case cases[] = {
      {"12abc", 12},
      {"abc", 0},
      {"", 0},
      {"  -42", -42},
      {"+7", 7},
      {"007", 7},
      {"3.9", 3},
      {"1e3", 1},
      {"0x1F", 31},
      {" -0x1f", -31},
      {"0x", 0},
      {"0xg", 0},
      {"0xffffffffffffffff", -1},
      {"9223372036854775807", INT64_MAX},
      {"9223372036854775808", INT64_MAX},
      {"-9223372036854775808", INT64_MIN},
      {"-99999999999999999999", INT64_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(text_to_int(u16(c.text)), c.value) << '"' << c.text << '"';
}

TEST(NumericText, ToDouble) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"1.5", 1.5},   {"  -2.25x", -2.25}, {".5", 0.5},    {"5.", 5.0},       {"1e3", 1000.0},
      {"1.0e-2", 0.01}, {"0.1", 0.1},      {"0x10", 16.0}, {"-0x10", -16.0},  {"abc", 0.0},
      {".", 0.0},     {"1e", 1.0},         {"1e+", 1.0},   {"123456789012345678901234567890", 1.2345678901234568e29},
      {"1e400", HUGE_VAL}, {"1e-400", 0.0},
  };
  for (const Case& c : cases) EXPECT_EQ(text_to_double(u16(c.text)), c.value) << '"' << c.text << '"';
  EXPECT_TRUE(std::signbit(text_to_double(u"-0")));
}

// Texts far longer than any double needs still round as their full value
// says: the digits beyond those kept decide a tie.
TEST(NumericText, ToDoubleLongTexts) {
  // 2^53 + 1 lies halfway between two doubles and rounds to the even one;
  // anything above the halfway point rounds up.
  String tie = u"9007199254740993." + String(1000, u'0');
  EXPECT_EQ(text_to_double(tie), 9007199254740992.0);
  EXPECT_EQ(text_to_double(tie + u"1"), 9007199254740994.0);
  EXPECT_EQ(text_to_double(u"0." + String(5000, u'0') + u"1e5001"), 1.0);
  EXPECT_EQ(text_to_double(String(400, u'9')), HUGE_VAL);
  EXPECT_EQ(text_to_double(u"1" + String(300, u'0') + u"e-300"), 1.0);
}

TEST(NumericText, DoubleToInt) {
  EXPECT_EQ(double_to_int(-2.9), -2);
  EXPECT_EQ(double_to_int(2.9), 2);
  EXPECT_EQ(double_to_int(1e300), INT64_MIN);
  EXPECT_EQ(double_to_int(NAN), INT64_MIN);
}

TEST(NumberFormat, Integers) {
  struct Case {
    int64_t value;
    IntegerFormat format;
    const char* text;
  };
  const IntegerFormat D = IntegerFormat::Decimal, H = IntegerFormat::HexUpper, h = IntegerFormat::HexLower;
  const Case cases[] = {
      {0, D, "0"},     {-5, D, "-5"},     {INT64_MIN, D, "-9223372036854775808"}, {INT64_MAX, D, "9223372036854775807"},
      {255, H, "0xFF"}, {255, h, "0xff"}, {-255, H, "-0xFF"},                      {0, h, "0x0"},
      {INT64_MIN, h, "-0x8000000000000000"},
  };
  for (const Case& c : cases) {
    char16_t buf[32];
    size_t len = format_int(c.value, c.format, buf);
    EXPECT_EQ(utf16_to_utf8(StringView(buf, len)), c.text);
    EXPECT_EQ(buf[len], 0);
  }
}

std::string formatted(double value, std::string_view format, size_t capacity = 257) {
  String f = u16(format);
  char16_t buf[300];
  size_t len = format_double(value, f.c_str(), buf, capacity);
  EXPECT_EQ(buf[len], 0);
  return utf16_to_utf8(StringView(buf, len));
}

TEST(NumberFormat, Floats) {
  struct Case {
    double value;
    const char* format;
    const char* text;
  };
  const Case cases[] = {
      {1.5, "%0.6f", "1.500000"},  {1.5, "%0.2f", "1.50"},        {-1.5, "%.1e", "-1.5e+00"},
      {1.5, "%g", "1.5"},          {2.0, "%08.3f", "0002.000"},   {2.0, "%-6.1f|", "2.0   |"},
      {1.5, "%+.1f", "+1.5"},      {1.5, "%lf", "1.500000"},      {1.5, "x=%0.1f%%", "x=1.5%"},
      {1.5, "%0.1f \xE2\x82\xAC", "1.5 \xE2\x82\xAC"},            {2.5, "%.f", "2"},
  };
  for (const Case& c : cases) EXPECT_EQ(formatted(c.value, c.format), c.text) << c.format;
}

// A script can set any text as its float format; whatever is not one
// floating-point conversion falls back to the default instead of reaching
// printf.
TEST(NumberFormat, MaliciousFloatFormats) {
  const char* rejected[] = {"%s", "%n", "%*d", "%d", "%f%f", "%s%f", "%f%n", "%", "abc", "", "%.*f",
                            "%*.1f", "%Lf", "%hf", "%p", "%1$f", "%0.6"};
  for (const char* f : rejected) EXPECT_EQ(formatted(1.5, f), "1.500000") << f;
  // Huge widths and precisions are cut to what fits the 256-character result.
  std::string wide = formatted(1.5, "%99999f");
  EXPECT_EQ(wide.size(), 256u);
  EXPECT_EQ(wide.substr(248), "1.500000");
  std::string precise = formatted(1.5, "%.99999f");
  EXPECT_EQ(precise.size(), 256u);
  EXPECT_EQ(precise.substr(0, 4), "1.50");
  EXPECT_EQ(formatted(1.5, "%99999999999999999999999f").size(), 256u);
  EXPECT_EQ(formatted(1e308, "%f").size(), 256u);
  // A longer pattern than any sensible one is not even looked at.
  EXPECT_EQ(formatted(1.5, std::string(300, 'x') + "%f"), "1.500000");
  // The caller's capacity holds too.
  EXPECT_EQ(formatted(1.5, "%0.6f", 4), "1.5");
}

TEST(NumberFormat, ByTheRunningThread) {
  ThreadSettings saved = *g_thread;
  g_thread->integer_format = IntegerFormat::HexLower;
  std::char_traits<char16_t>::copy(g_thread->float_format, u"%0.2f", 6);
  EXPECT_EQ(int_to_text(26), u"0x1a");
  EXPECT_EQ(double_to_text(2.0), u"2.00");
  *g_thread = saved;
  EXPECT_EQ(int_to_text(26), u"26");
  EXPECT_EQ(double_to_text(2.0), u"2.000000");
}

}  // namespace
}  // namespace orv
