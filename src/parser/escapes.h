// Escape sequences: the escape character followed by a, b, f, n, r, t or v
// stands for that control character; followed by anything else it stands
// for that character itself.
#pragma once

#include <vector>

#include "base/text.h"

namespace orv {

String translate_escapes(StringView text, char16_t escape);
// Also records, per output character, whether it came from an escape
// sequence; an escaped delimiter, dereference character or quote is then
// never taken as syntax.
String translate_escapes(StringView text, char16_t escape, std::vector<bool>& escaped);

}  // namespace orv
