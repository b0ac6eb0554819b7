// The portable half of native calls: return types, how values sit in slots
// and come back narrowed, and what callback answers become. The calls
// themselves need Windows and are covered by the Wine script tests.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "objects/dll_values.h"

namespace orv {
namespace {

TEST(DllValues, ReturnTypes) {
  const struct {
    const char16_t* text;
    bool ok;
    DllTypeCode code;
    bool is_unsigned, by_address;
  } cases[] = {
      {u"", true, DllTypeCode::Int, false, false},
      {u"CDecl", true, DllTypeCode::Int, false, false},
      {u"cdecl  Double", true, DllTypeCode::Double, false, false},
      {u"CDECL UInt*", true, DllTypeCode::Int, true, true},
      {u"Str", true, DllTypeCode::Str, false, false},
      {u"Intx", false, DllTypeCode::Invalid, false, false},
  };
  for (const auto& c : cases) {
    DllType t;
    ASSERT_EQ(parse_return_type(c.text, t), c.ok) << std::u16string(c.text).size();
    if (!c.ok) continue;
    EXPECT_EQ(t.code, c.code);
    EXPECT_EQ(t.is_unsigned, c.is_unsigned);
    EXPECT_EQ(t.by_address, c.by_address);
  }
}

TEST(DllValues, NarrowingAtTheBoundaries) {
  const struct {
    uint64_t bits;
    DllType type;
    int64_t expected;
  } cases[] = {
      {0xFFFFFFFFull, {DllTypeCode::Int, false, true}, 4294967295},
      {0xFFFFFFFFull, {DllTypeCode::Int, false, false}, -1},
      // Whatever the callee left in the upper half is not part of the value.
      {0xDEADBEEF00000005ull, {DllTypeCode::Int, false, false}, 5},
      {0x1FFFFull, {DllTypeCode::Short, false, false}, -1},
      {0x1FFFFull, {DllTypeCode::Short, false, true}, 65535},
      {0xFFull, {DllTypeCode::Char, false, false}, -1},
      {0xFFull, {DllTypeCode::Char, false, true}, 255},
      {0x180ull, {DllTypeCode::Char, false, false}, -128},
      {0xFFFFFFFFFFFFFFFFull, {DllTypeCode::Int64, false, true}, -1},
      {0x8000000000000000ull, {DllTypeCode::Int64, false, false}, INT64_MIN},
  };
  for (const auto& c : cases) EXPECT_EQ(narrow_integer(c.bits, c.type), c.expected) << std::hex << c.bits;
}

TEST(DllValues, FloatsInSlots) {
  // A Float takes the low 32 bits and leaves the rest zero; a Double all 64.
  uint64_t f = float_slot(0.25, DllTypeCode::Float);
  EXPECT_EQ(f >> 32, 0u);
  EXPECT_EQ(narrow_float(f, DllTypeCode::Float), 0.25);
  EXPECT_EQ(narrow_float(float_slot(1e300, DllTypeCode::Double), DllTypeCode::Double), 1e300);
  // Upper bits of XMM0 beside a Float result are ignored.
  EXPECT_EQ(narrow_float(0x1234567800000000ull | f, DllTypeCode::Float), 0.25);
  EXPECT_EQ(pointed_size(DllTypeCode::Double), 8);
  EXPECT_EQ(pointed_size(DllTypeCode::Str), 8);
  EXPECT_EQ(pointed_size(DllTypeCode::Float), 4);
  EXPECT_EQ(pointed_size(DllTypeCode::Int), 4);
}

TEST(DllValues, UnsignedText) {
  uint64_t v = 0;
  EXPECT_TRUE(parse_unsigned_text(u"18446744073709551615", v));
  EXPECT_EQ(v, 0xFFFFFFFFFFFFFFFFull);
  EXPECT_TRUE(parse_unsigned_text(u" 0xFFFFFFFFFFFFFFFE ", v));
  EXPECT_EQ(v, 0xFFFFFFFFFFFFFFFEull);
  EXPECT_TRUE(parse_unsigned_text(u"-1", v));
  EXPECT_EQ(v, 0xFFFFFFFFFFFFFFFFull);
  EXPECT_FALSE(parse_unsigned_text(u"12abc", v));
  EXPECT_FALSE(parse_unsigned_text(u"", v));
}

TEST(DllValues, CallbackAnswers) {
  EXPECT_EQ(callback_answer_from_int(-1), 0xFFFFFFFFFFFFFFFFull);
  EXPECT_EQ(callback_answer_from_double(2.9), 2u);
  EXPECT_EQ(callback_answer_from_double(-2.9), uint64_t(-2));
  EXPECT_EQ(callback_answer_from_double(1e19), 0x8000000000000000ull);
  EXPECT_EQ(callback_answer_from_double(-1e19), 0x8000000000000000ull);
  EXPECT_EQ(callback_answer_from_double(9223372036854775808.0), 0x8000000000000000ull);
  EXPECT_EQ(callback_answer_from_text(u"0x10"), 16u);
  EXPECT_EQ(callback_answer_from_text(u" -5 "), uint64_t(-5));
  EXPECT_EQ(callback_answer_from_text(u"abc"), 0u);
  EXPECT_EQ(callback_answer_from_text(u""), 0u);
  EXPECT_EQ(callback_answer_from_text(u"1.5"), 0u);
}

TEST(DllValues, ExceptionCodes) {
  EXPECT_EQ(exception_error_level(0xC0000005u), u"0xC0000005");
  EXPECT_EQ(exception_error_level(0xE0001234u), u"0xE0001234");
  EXPECT_EQ(exception_error_level(0x80000003u), u"0x80000003");
}

}  // namespace
}  // namespace orv
