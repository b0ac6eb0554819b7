// The values WinSet reads that are more than a number: a colour (one of
// the sixteen names, or six hexadecimal digits with or without 0x) and a
// region ("x-y" points, Wn Hn, E for an ellipse, R[w-h] for rounded
// corners).
#pragma once

#include <cstdint>

#include "base/text.h"
#include "platform/window_system.h"

namespace orv {

// The colour as 0xRRGGBB; false for anything else.
bool parse_color(StringView text, uint32_t& rgb);

// Blank gives Kind::None; false for a word that means nothing or a shape
// that lacks what it needs.
bool parse_region(StringView text, platform::WindowRegion& out);

}  // namespace orv
