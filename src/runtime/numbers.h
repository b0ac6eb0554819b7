// Numbers as the language sees them: text that looks like a number is a
// number; integers are 64-bit, floats are doubles; and both become text by
// the running thread's formats.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "runtime/thread_settings.h"

namespace orv {

enum class NumType : uint8_t { NotNumeric = 0, Integer = 1, Float = 2 };

// How much of the numeric-text rule a caller accepts: by default signed
// integers and floats, and the empty text is no number.
enum NumericRule : uint8_t {
  NumericDefault = 0,
  NumericNoNegative = 1,    // a minus sign makes it no number
  NumericEmptyIsZero = 2,   // the empty text is the integer 0
  NumericIntegerOnly = 4,   // a point makes it no number
};

// The numeric-text rule: optional blanks and sign, then 0x with hexadecimal
// digits, or decimal digits with at most one point (an exponent only after a
// point), then only blanks; `rule` (NumericRule bits) narrows or widens it.
NumType numeric_type_of_text(StringView text, uint8_t rule);
inline NumType numeric_type_of(StringView text, uint8_t rule = NumericDefault) {
  // Every number starts with a blank, a sign, a point or a digit, all below
  // "9": names such as member keys are turned away at once.
  if (!text.empty() && text[0] > u'9') return NumType::NotNumeric;
  return numeric_type_of_text(text, rule);
}

// Lenient conversions: hexadecimal after an optional sign when the text
// starts with 0x and a hex digit, else decimal up to the first non-digit;
// "12abc" gives 12, "abc" gives 0.
// The value of a hexadecimal digit, or -1 for any other character.
int hex_digit_value(char16_t c);
// Decimal or 0x-hexadecimal digits only (the whole text), up to `limit`;
// false for anything else or a value above the limit.
bool parse_unsigned_digits(StringView text, uint64_t limit, uint64_t& out);
int64_t text_to_int(StringView text);
double text_to_double(StringView text);
// Truncates toward zero. NaN and values outside the 64-bit range give the
// smallest integer, as the processor's own conversion does.
int64_t double_to_int(double value);

// Formats into `out` (at least 32 characters for integers, 256 for floats)
// by the given thread's formats; returns the length.
size_t format_int(int64_t value, IntegerFormat format, char16_t* out);
size_t format_double(double value, const char16_t* printf_format, char16_t* out, size_t capacity);
String int_to_text(int64_t value);
String double_to_text(double value);

}  // namespace orv
