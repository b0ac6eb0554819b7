#include "runtime/numbers.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace orv {

int hex_digit_value(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

bool parse_unsigned_digits(StringView text, uint64_t limit, uint64_t& out) {
  unsigned base = 10;
  if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  uint64_t value = 0;
  for (char16_t c : text) {
    int digit = hex_digit_value(c);
    if (digit < 0 || unsigned(digit) >= base || value > (limit - unsigned(digit)) / base) return false;
    value = value * base + unsigned(digit);
  }
  out = value;
  return true;
}

namespace {

bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }

size_t skip_blanks(StringView text, size_t i) {
  while (i < text.size() && is_blank(text[i])) ++i;
  return i;
}

// "0x" or "0X" followed by a hexadecimal digit at `i`.
bool hex_starts_at(StringView text, size_t i) {
  return i + 2 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X') &&
         hex_digit_value(text[i + 2]) >= 0;
}

// The significant digits a double can need for correct rounding are fewer
// than this; digits beyond it only matter as "something non-zero follows".
constexpr size_t kMaxSignificantDigits = 800;
// Exponents beyond this give infinity or zero whatever the digits are.
constexpr int64_t kExponentClamp = 100000;

}  // namespace

NumType numeric_type_of_text(StringView text, uint8_t rule) {
  const bool allow_negative = !(rule & NumericNoNegative), allow_empty = rule & NumericEmptyIsZero,
             allow_float = !(rule & NumericIntegerOnly);
  const size_t n = text.size();
  size_t i = skip_blanks(text, 0);
  if (i == n) return allow_empty ? NumType::Integer : NumType::NotNumeric;
  if (text[i] == u'-') {
    if (!allow_negative) return NumType::NotNumeric;
    ++i;
  } else if (text[i] == u'+') {
    ++i;
  }
  if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
    size_t j = i + 2;
    while (j < n && hex_digit_value(text[j]) >= 0) ++j;
    if (j == i + 2) return NumType::NotNumeric;
    return skip_blanks(text, j) == n ? NumType::Integer : NumType::NotNumeric;
  }
  bool point = false, digit = false;
  for (; i < n; ++i) {
    char16_t c = text[i];
    if (is_digit(c)) {
      digit = true;
    } else if (c == u'.') {
      if (point) return NumType::NotNumeric;
      point = true;
    } else if ((c == u'e' || c == u'E') && point && digit) {
      ++i;
      if (i < n && (text[i] == u'+' || text[i] == u'-')) ++i;
      if (i == n || !is_digit(text[i])) return NumType::NotNumeric;
      while (i < n && is_digit(text[i])) ++i;
      break;
    } else if (is_blank(c)) {
      break;
    } else {
      return NumType::NotNumeric;
    }
  }
  if (skip_blanks(text, i) != n || !digit) return NumType::NotNumeric;
  if (!point) return NumType::Integer;
  return allow_float ? NumType::Float : NumType::NotNumeric;
}

int64_t text_to_int(StringView text) {
  size_t i = skip_blanks(text, 0);
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  uint64_t value = 0;
  if (hex_starts_at(text, i)) {
    // Hexadecimal is read as a 64-bit pattern, so 0xFFFFFFFFFFFFFFFF is -1.
    for (i += 2; i < text.size(); ++i) {
      int d = hex_digit_value(text[i]);
      if (d < 0) break;
      value = value > (UINT64_MAX >> 4) ? UINT64_MAX : (value << 4) | uint64_t(d);
    }
    return int64_t(negative ? 0 - value : value);
  }
  // Decimal saturates at the ends of the range rather than wrapping.
  const uint64_t limit = negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX);
  for (; i < text.size() && is_digit(text[i]); ++i) {
    uint64_t d = text[i] - u'0';
    value = value > (limit - d) / 10 ? limit : value * 10 + d;
  }
  return int64_t(negative ? 0 - value : value);
}

double text_to_double(StringView text) {
  const size_t n = text.size();
  size_t i = skip_blanks(text, 0);
  size_t sign_at = i;
  if (i < n && (text[i] == u'-' || text[i] == u'+')) ++i;
  if (hex_starts_at(text, i)) return double(text_to_int(text));

  // The digits go to strtod as "DIGITSeEXP": no decimal point, so the C
  // library's locale cannot change the reading, and a text of millions of
  // digits needs only a small buffer.
  char buf[kMaxSignificantDigits + 48];
  size_t kept = 0;
  bool any_digit = false, dropped_nonzero = false;
  int64_t exponent = 0;  // the value is 0.DIGITS times ten to this
  auto take = [&](char16_t c, bool integer_part) {
    any_digit = true;
    if (kept == 0 && c == u'0') {
      if (!integer_part) --exponent;
      return;
    }
    if (integer_part) ++exponent;
    if (kept < kMaxSignificantDigits) buf[1 + kept++] = char(c);
    else if (c != u'0') dropped_nonzero = true;
  };
  for (; i < n && is_digit(text[i]); ++i) take(text[i], true);
  if (i < n && text[i] == u'.')
    for (++i; i < n && is_digit(text[i]); ++i) take(text[i], false);
  if (!any_digit) return 0.0;
  if (i < n && (text[i] == u'e' || text[i] == u'E')) {
    size_t j = i + 1;
    bool exp_negative = false;
    if (j < n && (text[j] == u'-' || text[j] == u'+')) exp_negative = text[j++] == u'-';
    if (j < n && is_digit(text[j])) {
      int64_t e = 0;
      for (; j < n && is_digit(text[j]); ++j)
        if (e < 1000000000000LL) e = e * 10 + (text[j] - u'0');
      exponent += exp_negative ? -e : e;
    }
  }
  bool negative = sign_at < n && text[sign_at] == u'-';
  if (kept == 0) return negative ? -0.0 : 0.0;
  buf[0] = negative ? '-' : '+';
  // A non-zero digit past the kept ones decides ties; one more digit says so.
  if (dropped_nonzero) buf[1 + kept++] = '1';
  int64_t scale = exponent - int64_t(kept);
  if (scale > kExponentClamp) scale = kExponentClamp;
  if (scale < -kExponentClamp) scale = -kExponentClamp;
  snprintf(buf + 1 + kept, sizeof buf - 1 - kept, "e%lld", static_cast<long long>(scale));
  return strtod(buf, nullptr);
}

int64_t double_to_int(double value) {
  // Written as a range test so that NaN fails it too.
  if (value >= -9223372036854775808.0 && value < 9223372036854775808.0) return int64_t(value);
  return INT64_MIN;
}

size_t format_int(int64_t value, IntegerFormat format, char16_t* out) {
  const bool hex = format != IntegerFormat::Decimal;
  const char* digits = format == IntegerFormat::HexLower ? "0123456789abcdef" : "0123456789ABCDEF";
  uint64_t magnitude = value < 0 ? 0 - uint64_t(value) : uint64_t(value);
  char16_t reversed[24];
  size_t count = 0;
  do {
    reversed[count++] = char16_t(digits[hex ? magnitude & 15 : magnitude % 10]);
    magnitude = hex ? magnitude >> 4 : magnitude / 10;
  } while (magnitude);
  size_t len = 0;
  if (value < 0) out[len++] = u'-';
  if (hex) {
    out[len++] = u'0';
    out[len++] = u'x';
  }
  while (count) out[len++] = reversed[--count];
  out[len] = 0;
  return len;
}

namespace {

constexpr size_t kMaxFloatText = 256;
constexpr size_t kMaxFormatLength = 256;

// Rebuilds a script-supplied pattern so that it holds exactly one
// floating-point conversion with bounded width and precision and nothing
// else printf would act on. A script can set any text as its float format,
// and anything else (%s, %n, %*f, a second conversion) would read arguments
// that are not there.
bool safe_float_format(const char16_t* pattern, std::string& out) {
  size_t n = 0;
  while (pattern[n]) {
    if (++n > kMaxFormatLength) return false;
  }
  std::string s = utf16_to_utf8(StringView(pattern, n));
  int conversions = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      out += s[i];
      continue;
    }
    if (i + 1 < s.size() && s[i + 1] == '%') {
      out += "%%";
      ++i;
      continue;
    }
    out += '%';
    size_t j = i + 1;
    while (j < s.size() && (s[j] == '-' || s[j] == '+' || s[j] == ' ' || s[j] == '#' || s[j] == '0')) out += s[j++];
    // Widths and precisions past what fits the result cannot show anyway.
    auto number = [&](size_t& k) {
      size_t v = 0;
      for (; k < s.size() && s[k] >= '0' && s[k] <= '9'; ++k) v = v > kMaxFloatText ? v : v * 10 + size_t(s[k] - '0');
      return v > kMaxFloatText ? kMaxFloatText : v;
    };
    if (j < s.size() && s[j] >= '1' && s[j] <= '9') out += std::to_string(number(j));
    if (j < s.size() && s[j] == '.') {
      ++j;
      out += '.';
      out += std::to_string(number(j));
    }
    if (j < s.size() && s[j] == 'l') ++j;  // "%lf" means the same double
    if (j == s.size() || std::string_view("eEfFgGaA").find(s[j]) == std::string_view::npos) return false;
    out += s[j];
    if (++conversions > 1) return false;
    i = j;
  }
  return conversions == 1;
}

}  // namespace

size_t format_double(double value, const char16_t* printf_format, char16_t* out, size_t capacity) {
  if (capacity == 0) return 0;
  std::string format;
  if (!printf_format || !safe_float_format(printf_format, format)) format = "%0.6f";
  // Literal text around the conversion is at most kMaxFormatLength
  // characters of up to three bytes; the conversion itself is bounded above.
  char bytes[2048];
  int written = snprintf(bytes, sizeof bytes, format.c_str(), value);
  if (written < 0) written = 0;
  size_t byte_count = size_t(written) < sizeof bytes ? size_t(written) : sizeof bytes - 1;
  String text = utf8_to_utf16(std::string_view(bytes, byte_count));
  size_t len = text.size();
  if (len > kMaxFloatText) len = kMaxFloatText;
  if (len > capacity - 1) len = capacity - 1;
  text.copy(out, len);
  out[len] = 0;
  return len;
}

String int_to_text(int64_t value) {
  char16_t buf[32];
  size_t len = format_int(value, g_thread ? g_thread->integer_format : IntegerFormat::Decimal, buf);
  return String(buf, len);
}

String double_to_text(double value) {
  char16_t buf[kMaxFloatText + 1];
  size_t len = format_double(value, g_thread ? g_thread->float_format : u"%0.6f", buf, sizeof buf / sizeof buf[0]);
  return String(buf, len);
}

}  // namespace orv
