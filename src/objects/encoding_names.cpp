#include "objects/encoding_names.h"

#include "runtime/numbers.h"

namespace orv {

namespace {

// A decimal or 0x-hexadecimal number with an optional "+", blanks around
// it allowed; it must fit a code page number.
bool parse_code_page_number(StringView text, uint32_t& out) {
  text = trim(text);
  if (!text.empty() && text[0] == u'+') text = trim_left(text.substr(1));
  uint64_t value;
  if (!parse_unsigned_digits(text, UINT32_MAX, value)) return false;
  out = uint32_t(value);
  return true;
}

}  // namespace

bool parse_encoding_name(StringView name, uint32_t fallback, uint32_t& code_page) {
  if (name.empty()) {
    code_page = fallback;
    return true;
  }
  if (equals_ignore_case(name, u"UTF-8") || equals_ignore_case(name, u"UTF-8-RAW")) {
    code_page = kCodePageUtf8;
    return true;
  }
  if (equals_ignore_case(name, u"UTF-16") || equals_ignore_case(name, u"UTF-16-RAW")) {
    code_page = kCodePageUtf16;
    return true;
  }
  if (starts_with_ignore_case(name, u"CP")) return parse_code_page_number(name.substr(2), code_page);
  return parse_code_page_number(name, code_page);
}

bool parse_file_encoding(StringView name, uint32_t fallback, uint32_t& encoding) {
  if (!parse_encoding_name(name, fallback, encoding)) return false;
  if (equals_ignore_case(name, u"UTF-8-RAW") || equals_ignore_case(name, u"UTF-16-RAW")) encoding |= kEncodingNoBom;
  return true;
}

}  // namespace orv
