#include "gui/gui_fonts.h"

#include <cmath>
#include <vector>

#include "runtime/numbers.h"
#include "windows/window_set_values.h"

namespace orv {

namespace {

std::vector<GuiFont>& table() {
  static std::vector<GuiFont> fonts;
  return fonts;
}

bool same_font(const platform::FontSpec& a, const platform::FontSpec& b) {
  return equals_ignore_case(a.name, b.name) && a.points == b.points && a.weight == b.weight && a.italic == b.italic &&
         a.underline == b.underline && a.strike == b.strike && a.quality == b.quality;
}


}  // namespace

size_t default_font_index() {
  if (table().empty()) {
    platform::FontSpec spec = platform::gui_system().default_font();
    size_t index = 0;
    (void)font_index_for(spec, index);
    // Should the system refuse even its own font, controls keep theirs.
    if (table().empty()) table().push_back(GuiFont{spec, 0});
  }
  return 0;
}

const GuiFont& gui_font(size_t index) {
  default_font_index();
  return table()[index < table().size() ? index : 0];
}

FontError font_index_for(const platform::FontSpec& spec, size_t& index) {
  std::vector<GuiFont>& fonts = table();
  for (size_t i = 0; i < fonts.size(); ++i)
    if (same_font(fonts[i].spec, spec)) {
      index = i;
      return FontError::None;
    }
  if (fonts.size() >= kMaxFonts) return FontError::TooMany;
  platform::FontHandle handle = platform::gui_system().create_font(spec);
  if (!handle) return FontError::CantCreate;
  fonts.push_back(GuiFont{spec, handle});
  index = fonts.size() - 1;
  return FontError::None;
}

FontError apply_font_options(StringView options, platform::FontSpec& spec, uint32_t& color, bool& color_given,
                             StringView& culprit) {
  size_t i = 0;
  for (;;) {
    StringView word = next_word(options, i);
    if (word.empty()) break;
    StringView value = word.substr(1);
    char16_t head = word[0] | 0x20;
    if (equals_ignore_case(word, u"bold")) {
      spec.weight = 700;
    } else if (equals_ignore_case(word, u"italic")) {
      spec.italic = true;
    } else if (equals_ignore_case(word, u"underline")) {
      spec.underline = true;
    } else if (equals_ignore_case(word, u"strike")) {
      spec.strike = true;
    } else if (equals_ignore_case(word, u"norm")) {
      spec.weight = 400;
      spec.italic = spec.underline = spec.strike = false;
    } else if (head == u'c' && equals_ignore_case(value, u"Default")) {
      color = platform::kDefaultColor;
      color_given = true;
    } else if (head == u'c' && !value.empty() && value.size() <= 31) {
      if (!parse_color(value, color)) {
        culprit = word;
        return FontError::InvalidOption;
      }
      color_given = true;
    } else if ((head == u's' || head == u'w' || head == u'q') && numeric_type_of(value) != NumType::NotNumeric) {
      double n = text_to_double(value);
      if (head == u's') spec.points = int32_t(std::lround(n));
      else if (head == u'w') spec.weight = int32_t(n);
      else spec.quality = int32_t(n);
    } else {
      culprit = word;
      return FontError::InvalidOption;
    }
  }
  return FontError::None;
}

void destroy_all_fonts() {
  for (GuiFont& f : table())
    if (f.handle) platform::gui_system().destroy_font(f.handle);
  table().clear();
}

}  // namespace orv
