// Style changes as WinSet and Control write them (a number replaces the
// style, +N adds bits, -N removes them, ^N flips them) and made.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "windows/window_search.h"

namespace orv {

// False when `change` is no number.
bool changed_style(StringView change, uint32_t current, uint32_t& out);

// A style as scripts read it: 0x and upper-case hexadecimal digits.
String style_text(uint32_t style);

// Changes a window's (or control's) style; true when it now differs as
// asked (or already was as asked).
bool change_style(platform::WindowHandle w, bool extended, StringView change);

}  // namespace orv
