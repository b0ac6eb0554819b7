// Case conversions of whole texts, shared by Format's U, L and T types and
// the StringUpper/StringLower commands.
#pragma once

#include "base/text.h"

namespace orv {

void make_upper(String& text);
void make_lower(String& text);
// Title case: the first letter of each word upper case, the rest lower.
// A word is a run of letters and digits, so "3rd" stays as it is and
// "o'neil" becomes "O'Neil".
void make_title(String& text);

}  // namespace orv
