#include "base/text.h"

namespace orv {

char16_t fold_case_beyond_ascii(char16_t c) {
  // Latin-1, Greek and Cyrillic capitals have lower-case forms at a fixed
  // offset; the rest of the repertoire is left as it is.
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return char16_t(c + 32);
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return char16_t(c + 32);
  if (c >= 0x410 && c <= 0x42F) return char16_t(c + 32);
  if (c >= 0x400 && c <= 0x40F) return char16_t(c + 80);
  return c;
}

char16_t upper_case(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return char16_t(c - 32);
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return char16_t(c - 32);
  if (c >= 0x430 && c <= 0x44F) return char16_t(c - 32);
  if (c >= 0x450 && c <= 0x45F) return char16_t(c - 80);
  return c;
}

bool starts_with_ignore_case(StringView text, StringView prefix) {
  return text.size() >= prefix.size() && equals_ignore_case(text.substr(0, prefix.size()), prefix);
}

size_t find_ignore_case(StringView text, StringView needle, size_t from) {
  if (needle.size() > text.size()) return StringView::npos;
  for (size_t i = from; i + needle.size() <= text.size(); ++i)
    if (equals_ignore_case(text.substr(i, needle.size()), needle)) return i;
  return StringView::npos;
}

StringView trim_left(StringView s) {
  size_t i = 0;
  while (i < s.size() && is_blank(s[i])) ++i;
  return s.substr(i);
}

StringView trim_right(StringView s) {
  size_t n = s.size();
  while (n > 0 && is_blank(s[n - 1])) --n;
  return s.substr(0, n);
}

StringView trim(StringView s) { return trim_right(trim_left(s)); }

size_t utf8_sequence_length(uint8_t lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 0;
}

size_t decode_utf8(std::string_view in, char16_t (&units)[2]) {
  if (in.empty()) return 0;
  size_t len = utf8_sequence_length(uint8_t(in[0]));
  if (len == 0 || len > in.size()) return 0;
  static const uint8_t lead_mask[5] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  uint32_t cp = uint8_t(in[0]) & lead_mask[len];
  for (size_t k = 1; k < len; ++k) {
    uint8_t d = uint8_t(in[k]);
    if ((d & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (d & 0x3F);
  }
  // Overlong forms, surrogates and out-of-range values are not text.
  static const uint32_t min_for_len[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < min_for_len[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  if (cp >= 0x10000) {
    cp -= 0x10000;
    units[0] = char16_t(0xD800 + (cp >> 10));
    units[1] = char16_t(0xDC00 + (cp & 0x3FF));
  } else {
    units[0] = char16_t(cp);
    units[1] = 0;
  }
  return len;
}

bool utf8_is_valid(std::string_view in) {
  char16_t units[2];
  for (size_t i = 0, len; i < in.size(); i += len)
    if (!(len = decode_utf8(in.substr(i), units))) return false;
  return true;
}

String utf8_to_utf16(std::string_view in) {
  String out;
  out.reserve(in.size());
  size_t i = 0, n = in.size();
  while (i < n) {
    char16_t units[2];
    size_t len = decode_utf8(in.substr(i), units);
    if (len) {
      out.push_back(units[0]);
      if (units[1]) out.push_back(units[1]);
      i += len;
      continue;
    }
    out.push_back(0xFFFD);
    // A sequence cut off by the end of the text is one bad character.
    size_t want = utf8_sequence_length(uint8_t(in[i]));
    if (want && i + want > n) break;
    ++i;
  }
  return out;
}

std::string utf16_to_utf8(StringView in) {
  std::string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    uint32_t cp = in[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(char(cp));
    } else if (cp < 0x800) {
      out.push_back(char(0xC0 | (cp >> 6)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(char(0xE0 | (cp >> 12)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(char(0xF0 | (cp >> 18)));
      out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

String ascii(std::string_view text) { return String(text.begin(), text.end()); }

String to_string(int64_t value) {
  char16_t buf[24];
  size_t n = 0;
  uint64_t v = value < 0 ? uint64_t(0) - uint64_t(value) : uint64_t(value);
  do { buf[n++] = char16_t(u'0' + v % 10); v /= 10; } while (v);
  String s;
  if (value < 0) s.push_back(u'-');
  while (n) s.push_back(buf[--n]);
  return s;
}

bool parse_int(StringView text, int64_t& out) {
  text = trim(text);
  bool neg = false;
  if (!text.empty() && (text[0] == u'-' || text[0] == u'+')) { neg = text[0] == u'-'; text.remove_prefix(1); }
  if (text.empty()) return false;
  uint64_t v = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
    if (v > (UINT64_MAX - 9) / 10) return false;
    v = v * 10 + (c - u'0');
  }
  if (v > uint64_t(INT64_MAX) + (neg ? 1 : 0)) return false;
  out = neg ? int64_t(0 - v) : int64_t(v);
  return true;
}

}  // namespace orv
