#include "windows/window_set_values.h"

#include "runtime/numbers.h"

namespace orv {

namespace {

bool number(StringView s, int32_t& out) {
  int64_t n = 0;
  bool negative = !s.empty() && s[0] == u'-';
  if (!parse_int(negative ? s.substr(1) : s, n)) return false;
  out = int32_t(negative ? -n : n);
  return true;
}

// "A-B" with either number negative only by a leading minus of A.
bool pair(StringView s, int32_t& a, int32_t& b) {
  size_t dash = s.find(u'-', 1);
  return dash != StringView::npos && number(s.substr(0, dash), a) && number(s.substr(dash + 1), b);
}

}  // namespace

bool parse_color(StringView text, uint32_t& rgb) {
  static constexpr struct {
    StringView name;
    uint32_t rgb;
  } kNames[] = {{u"Black", 0x000000}, {u"Silver", 0xC0C0C0}, {u"Gray", 0x808080},  {u"White", 0xFFFFFF},
                {u"Maroon", 0x800000}, {u"Red", 0xFF0000},   {u"Purple", 0x800080}, {u"Fuchsia", 0xFF00FF},
                {u"Green", 0x008000}, {u"Lime", 0x00FF00},   {u"Olive", 0x808000},  {u"Yellow", 0xFFFF00},
                {u"Navy", 0x000080},  {u"Blue", 0x0000FF},   {u"Teal", 0x008080},   {u"Aqua", 0x00FFFF}};
  text = trim(text);
  for (const auto& n : kNames)
    if (equals_ignore_case(text, n.name)) return rgb = n.rgb, true;
  if (starts_with_ignore_case(text, u"0x")) text = text.substr(2);
  if (text.empty() || text.size() > 6) return false;
  uint32_t v = 0;
  for (char16_t c : text) {
    char16_t l = c | 0x20;
    if (c >= u'0' && c <= u'9') v = v * 16 + (c - u'0');
    else if (l >= u'a' && l <= u'f') v = v * 16 + (l - u'a' + 10);
    else return false;
  }
  rgb = v;
  return true;
}

bool parse_region(StringView text, platform::WindowRegion& out) {
  using Kind = platform::WindowRegion::Kind;
  out = {};
  bool has_w = false, has_h = false, ellipse = false, rounded = false;
  size_t i = 0;
  for (;;) {
    StringView w = next_word(text, i);
    if (w.empty()) break;
    char16_t first = w[0] | 0x20;
    if (first == u'w' && w.size() > 1) {
      if (!(has_w = number(w.substr(1), out.width))) return false;
    } else if (first == u'h' && w.size() > 1) {
      if (!(has_h = number(w.substr(1), out.height))) return false;
    } else if (equals_ignore_case(w, u"E")) {
      ellipse = true;
    } else if (first == u'r') {
      rounded = true;
      if (w.size() > 1 && !pair(w.substr(1), out.corner_width, out.corner_height)) return false;
    } else {
      int32_t x = 0, y = 0;
      if (!pair(w, x, y)) return false;
      out.points.push_back({x, y});
    }
  }
  if (out.points.empty() && !has_w && !has_h && !ellipse && !rounded) return true;  // blank: the whole window
  if (has_w && has_h) {
    if (!out.points.empty()) out.x = out.points[0].first, out.y = out.points[0].second;
    out.kind = ellipse ? Kind::Ellipse : rounded ? Kind::Rounded : Kind::Rectangle;
    return true;
  }
  if (ellipse || rounded || has_w || has_h || out.points.size() < 3) return false;
  out.kind = Kind::Polygon;
  return true;
}

}  // namespace orv
