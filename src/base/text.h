// Text helpers shared by every layer. Script text is UTF-16 throughout; the
// only conversions happen at the edges (files, standard streams, the host
// command line on Linux).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orv {

using String = std::u16string;
using StringView = std::u16string_view;

inline bool is_blank(char16_t c) { return c == u' ' || c == u'\t'; }
// The next word of `text` from `pos` on, words being separated by blanks;
// empty at the end. `pos` moves past the word.
inline std::u16string_view next_word(std::u16string_view text, size_t& pos) {
  while (pos < text.size() && is_blank(text[pos])) ++pos;
  size_t start = pos;
  while (pos < text.size() && !is_blank(text[pos])) ++pos;
  return text.substr(start, pos - start);
}
inline bool is_high_surrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool is_low_surrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Simple one-to-one case folding: what the language means by "compared
// case-insensitively" for names, keywords and directives. Inline for the
// ASCII names that member lookups and name tables compare all the time.
char16_t fold_case_beyond_ascii(char16_t c);
inline char16_t fold_case(char16_t c) {
  if (c < 0x80) return char16_t(c - u'A') < 26 ? char16_t(c + 32) : c;
  return fold_case_beyond_ascii(c);
}
char16_t upper_case(char16_t c);

inline bool equals_ignore_case(StringView a, StringView b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && fold_case(a[i]) != fold_case(b[i])) return false;
  return true;
}

// The same order, against a zero-terminated text whose length is not known:
// stored keys are compared without measuring them first.
inline int compare_ignore_case(StringView a, const char16_t* z) {
  size_t i = 0;
  for (; i < a.size(); ++i) {
    char16_t x = a[i], y = z[i];
    if (!y) return 1;
    if (x == y) continue;
    x = fold_case(x), y = fold_case(y);
    if (x != y) return x < y ? -1 : 1;
  }
  return z[i] ? -1 : 0;
}

inline int compare_ignore_case(const char16_t* a, const char16_t* b) {
  for (size_t i = 0;; ++i) {
    char16_t x = a[i], y = b[i];
    if (x == y) {
      if (!x) return 0;
      continue;
    }
    x = fold_case(x), y = fold_case(y);
    if (x != y) return x < y ? -1 : 1;
  }
}

inline int compare_ignore_case(StringView a, StringView b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    char16_t x = a[i], y = b[i];
    if (x == y) continue;
    x = fold_case(x), y = fold_case(y);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}
bool starts_with_ignore_case(StringView text, StringView prefix);
// Finds `needle` in `text` from `from`, ignoring case; npos when absent.
size_t find_ignore_case(StringView text, StringView needle, size_t from = 0);

StringView trim_left(StringView s);
StringView trim_right(StringView s);
StringView trim(StringView s);

String utf8_to_utf16(std::string_view bytes);
// The length of the UTF-8 sequence `lead` begins (1 to 4), 0 when it begins none.
size_t utf8_sequence_length(uint8_t lead);
// Decodes the one sequence at the start of `in` into one or two units (the
// second 0 when there is one); returns its length, or 0 when it is cut off
// or malformed (overlong, a surrogate, beyond U+10FFFF).
size_t decode_utf8(std::string_view in, char16_t (&units)[2]);
bool utf8_is_valid(std::string_view bytes);
std::string utf16_to_utf8(StringView text);
// Widens plain ASCII literals; used for messages written in C++ sources.
String ascii(std::string_view text);

String to_string(int64_t value);
// Parses optional blanks, an optional sign and decimal digits (the whole
// text); false for anything else or on overflow.
bool parse_int(StringView text, int64_t& out);

}  // namespace orv
