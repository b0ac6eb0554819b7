// Style changes as WinSet and Control write them: a number replaces the
// style, +N adds bits, -N removes them, ^N flips them.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace orv {

// False when `change` is no number.
bool changed_style(StringView change, uint32_t current, uint32_t& out);

// A style as scripts read it: 0x and upper-case hexadecimal digits.
String style_text(uint32_t style);

}  // namespace orv
