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
inline bool is_high_surrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool is_low_surrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Simple one-to-one case folding: what the language means by "compared
// case-insensitively" for names, keywords and directives.
char16_t fold_case(char16_t c);
char16_t upper_case(char16_t c);

bool equals_ignore_case(StringView a, StringView b);
int compare_ignore_case(StringView a, StringView b);
bool starts_with_ignore_case(StringView text, StringView prefix);
// Finds `needle` in `text` from `from`, ignoring case; npos when absent.
size_t find_ignore_case(StringView text, StringView needle, size_t from = 0);

StringView trim_left(StringView s);
StringView trim_right(StringView s);
StringView trim(StringView s);

String utf8_to_utf16(std::string_view bytes);
std::string utf16_to_utf8(StringView text);
// Widens plain ASCII literals; used for messages written in C++ sources.
String ascii(std::string_view text);

String to_string(int64_t value);
// Parses optional blanks, an optional sign and decimal digits (the whole
// text); false for anything else or on overflow.
bool parse_int(StringView text, int64_t& out);

}  // namespace orv
