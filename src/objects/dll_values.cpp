#include "objects/dll_values.h"

#include <cmath>
#include <cstring>

namespace orv {

namespace {

bool is_blank(char16_t c) { return c == u' ' || c == u'\t'; }

int digit_value(char16_t c, int base) {
  int v = c >= u'0' && c <= u'9' ? c - u'0' : c >= u'a' && c <= u'f' ? c - u'a' + 10 : c >= u'A' && c <= u'F' ? c - u'A' + 10 : 99;
  return v < base ? v : -1;
}

// Digits in base 10 or (after 0x) 16 with optional blanks around and a
// sign; the value wraps modulo 2^64. False when anything else is there.
bool parse_integer_text(StringView text, uint64_t& out, bool& negative) {
  size_t i = 0, n = text.size();
  while (i < n && is_blank(text[i])) ++i;
  while (n > i && is_blank(text[n - 1])) --n;
  negative = false;
  if (i < n && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  int base = 10;
  if (n - i > 2 && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
    base = 16;
    i += 2;
  }
  if (i == n) return false;
  uint64_t value = 0;
  for (; i < n; ++i) {
    int d = digit_value(text[i], base);
    if (d < 0) return false;
    value = value * uint64_t(base) + uint64_t(d);
  }
  out = value;
  return true;
}

}  // namespace

bool parse_return_type(StringView text, DllType& out) {
  text = trim(text);
  if (text.size() >= 5 && starts_with_ignore_case(text, u"CDecl")) text = trim(text.substr(5));
  if (text.empty()) {
    out = DllType{DllTypeCode::Int, false, false};
    return true;
  }
  return parse_dll_type(text, out);
}

uint64_t float_slot(double value, DllTypeCode code) {
  if (code == DllTypeCode::Float) {
    float f = float(value);
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return bits;
  }
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  return bits;
}

int64_t narrow_integer(uint64_t bits, DllType type) {
  switch (type.code) {
    case DllTypeCode::Int: return type.is_unsigned ? int64_t(uint32_t(bits)) : int64_t(int32_t(uint32_t(bits)));
    case DllTypeCode::Short: return type.is_unsigned ? int64_t(uint16_t(bits)) : int64_t(int16_t(uint16_t(bits)));
    case DllTypeCode::Char: return type.is_unsigned ? int64_t(uint8_t(bits)) : int64_t(int8_t(uint8_t(bits)));
    default: return int64_t(bits);
  }
}

double narrow_float(uint64_t bits, DllTypeCode code) {
  if (code == DllTypeCode::Float) {
    uint32_t low = uint32_t(bits);
    float f;
    std::memcpy(&f, &low, 4);
    return f;
  }
  double d;
  std::memcpy(&d, &bits, 8);
  return d;
}

int pointed_size(DllTypeCode code) {
  switch (code) {
    case DllTypeCode::AStr: case DllTypeCode::Int64: case DllTypeCode::Double: case DllTypeCode::Str: return 8;
    default: return 4;
  }
}

bool parse_unsigned_text(StringView text, uint64_t& out) {
  bool negative = false;
  if (!parse_integer_text(text, out, negative)) return false;
  if (negative) out = uint64_t(0) - out;
  return true;
}

uint64_t callback_answer_from_int(int64_t value) { return uint64_t(value); }

uint64_t callback_answer_from_double(double value) {
  // 2^63 itself is out of range; -2^63 is the lowest value that fits.
  if (!(value >= -9223372036854775808.0 && value < 9223372036854775808.0)) return 0x8000000000000000ull;
  return uint64_t(int64_t(std::trunc(value)));
}

uint64_t callback_answer_from_text(StringView text) {
  uint64_t value = 0;
  bool negative = false;
  if (!parse_integer_text(text, value, negative)) return 0;
  return negative ? uint64_t(0) - value : value;
}

String exception_error_level(uint32_t code) {
  static const char16_t kHex[] = u"0123456789ABCDEF";
  String out = u"0x";
  for (int shift = 28; shift >= 0; shift -= 4) out.push_back(kHex[(code >> shift) & 0xF]);
  return out;
}

}  // namespace orv
