// The program-wide font table of script windows: a font asked for twice is
// made once, and fonts live until the program ends, so that a window that
// is destroyed never takes a font another window or control still draws with.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "platform/gui_system.h"

namespace orv {

struct GuiFont {
  platform::FontSpec spec;
  platform::FontHandle handle = 0;
};

inline constexpr size_t kMaxFonts = 200;

// The system's message font, entered as the table's first font.
size_t default_font_index();
const GuiFont& gui_font(size_t index);

enum class FontError : uint8_t { None, TooMany, CantCreate, InvalidOption };
// The entry for the font, made when it is new.
FontError font_index_for(const platform::FontSpec& spec, size_t& index);

// The options of Gui Font ("bold s10 cRed ...") applied to `spec`; a colour
// goes to `color` (0xRRGGBB). A word it does not know is InvalidOption,
// with the word in `culprit`.
FontError apply_font_options(StringView options, platform::FontSpec& spec, uint32_t& color, bool& color_given,
                             StringView& culprit);

void destroy_all_fonts();

}  // namespace orv
