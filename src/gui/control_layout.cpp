#include "gui/control_layout.h"

#include <algorithm>
#include <cmath>

#include "gui/gui_fonts.h"

namespace orv {

namespace {

constexpr uint32_t WS_VSCROLL = 0x00200000, WS_HSCROLL = 0x00100000, ES_MULTILINE = 0x4;

platform::FontMetrics font_metrics(const GuiWindow& gui) {
  return platform::gui_system().metrics(gui_font(gui.font).handle);
}

bool measured_from_text(ControlType t, StringView text) {
  switch (t) {
    case ControlType::Text:
    case ControlType::Button:
    case ControlType::Checkbox:
    case ControlType::Radio:
    case ControlType::Link:
      return true;
    case ControlType::Edit:
      return !text.empty();
    default:
      return false;
  }
}

bool text_like(ControlType t) { return t == ControlType::Text || t == ControlType::Link; }

// A Link's text without its anchor tags, as it is drawn.
String without_tags(StringView text) {
  String out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'<') {
      size_t close = text.find(u'>', i);
      StringView tag = text.substr(i + 1, close == StringView::npos ? 0 : close - i - 1);
      if (close != StringView::npos &&
          (starts_with_ignore_case(tag, u"a ") || equals_ignore_case(tag, u"a") || equals_ignore_case(tag, u"/a"))) {
        i = close;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

int32_t coordinate(const GuiWindow& gui, PosBase base, int32_t n, bool plus_margin, int32_t prev_pos,
                   int32_t prev_size, int32_t margin, int32_t section) {
  int32_t s = gui.scale(n);
  switch (base) {
    case PosBase::Absolute: return s;
    case PosBase::AfterPrev: return prev_pos + prev_size + (plus_margin ? margin : s);
    case PosBase::Margin: return margin + s;
    case PosBase::Prev: return prev_pos + s;
    case PosBase::Section: return section + s;
    default: return 0;
  }
}

}  // namespace

void settle_margins(GuiWindow& gui) {
  int32_t p = gui_font_points(gui);
  if (gui.margin_x == kUnsetMargin) gui.margin_x = gui.scale(int32_t(1.25 * p));
  if (gui.margin_y == kUnsetMargin) gui.margin_y = gui.scale(int32_t(0.75 * p));
}

int32_t rows_height(const GuiWindow& gui, ControlType type, double rows, uint32_t style) {
  platform::FontMetrics m = font_metrics(gui);
  bool extra_row = type == ControlType::GroupBox || type == ControlType::DropDownList || type == ControlType::ComboBox;
  if (extra_row) rows += 1;
  int32_t n = int32_t(std::lround(rows));
  int32_t h = int32_t((n - 1) * m.external_leading + rows * m.height);
  int32_t p = gui_font_points(gui);
  switch (type) {
    case ControlType::GroupBox: return h + n * gui.margin_y;
    case ControlType::Button: return h + gui.scale(p + 2);
    case ControlType::DropDownList:
    case ControlType::ComboBox:
    case ControlType::ListBox:
    case ControlType::Edit:
    case ControlType::DateTime:
    case ControlType::Hotkey:
    case ControlType::Custom:
      return h + gui.scale(8) + ((style & WS_HSCROLL) ? platform::gui_system().measures().hscroll_height : 0);
    case ControlType::Tab:
    case ControlType::Tab2:
    case ControlType::Tab3:
      return h + (n + 1) * gui.margin_y;
    case ControlType::Text:
    case ControlType::Checkbox:
    case ControlType::Radio:
    case ControlType::Link:
    case ControlType::ListView:
    case ControlType::TreeView:
      return h;
    default:
      return gui.scale(30);
  }
}

ControlRect place_control(GuiWindow& gui, ControlType type, StringView text, const ControlOptions& o, uint32_t style,
                          int32_t natural_w, int32_t natural_h) {
  settle_margins(gui);
  if (gui.controls.empty() && gui.prev_type == ControlType::None) {
    gui.prev_x = gui.margin_x;
    gui.prev_y = gui.prev_h = 0;
  }
  ControlRect r;
  int32_t p = gui_font_points(gui);
  bool x_given = o.x_base != PosBase::None, y_given = o.y_base != PosBase::None;
  int32_t below = gui.prev_y + gui.prev_h + gui.margin_y;
  if (!x_given && !y_given) {
    r.x = gui.prev_x;
    r.y = below;
    // Lines of text in a column sit a little further apart than other controls.
    if (text_like(type) && text_like(gui.prev_type) && !gui.controls.empty()) r.y += gui.scale(8);
  } else {
    r.x = x_given ? coordinate(gui, o.x_base, o.x, o.x_plus_margin, gui.prev_x, gui.prev_w, gui.margin_x, gui.section_x)
                  : gui.prev_x + gui.prev_w + gui.margin_x;  // y alone: a new column to the right
    r.y = y_given ? coordinate(gui, o.y_base, o.y, o.y_plus_margin, gui.prev_y, gui.prev_h, gui.margin_y, gui.section_y)
                  : below;
  }

  bool has_w = o.w.has_value(), has_h = o.h.has_value();
  if (has_w) r.w = o.w_prev ? gui.prev_w + gui.scale(*o.w) : gui.scale(*o.w);
  if (has_h) r.h = o.h_prev ? gui.prev_h + gui.scale(*o.h) : gui.scale(*o.h);
  if (!has_h && o.rows > 0) {
    r.h = rows_height(gui, type, o.rows, style);
    has_h = true;
  }

  if (measured_from_text(type, text) && (!has_w || !has_h)) {
    platform::GuiSystem& system = platform::gui_system();
    platform::FontHandle font = gui_font(gui.font).handle;
    platform::FontMetrics m = system.metrics(font);
    platform::GuiSystem::Measures sm = system.measures();
    int32_t extra_w = 0, extra_h = 0;
    switch (type) {
      case ControlType::Checkbox:
      case ControlType::Radio:
        extra_w = sm.check_mark + m.average_width + 2;
        break;
      case ControlType::Button:
        extra_w = p + 2 * sm.edge;
        extra_h = p + 2;
        break;
      case ControlType::Edit:
        extra_w = m.average_width + 4 + ((style & WS_VSCROLL) ? sm.vscroll_width : 0);
        extra_h = 8 + ((style & WS_HSCROLL) ? sm.hscroll_height : 0);
        if (!text.empty() && text.back() == u'\n') extra_h += m.height;
        break;
      default:
        break;
    }
    String shown = type == ControlType::Link ? without_tags(text) : String(text);
    int32_t tw = 0, th = 0;
    // Text that is given a width wraps inside it, extras aside.
    int32_t wrap = has_w ? std::max(1, r.w - extra_w) : 0;
    system.measure(font, shown.empty() ? StringView(u" ") : StringView(shown), wrap, tw, th);
    if (shown.empty()) tw = 0;
    if (!has_h || (type != ControlType::Edit && r.h < th + extra_h)) r.h = th + extra_h;
    if (!has_w || r.w < tw + extra_w) r.w = tw + extra_w;
    has_w = has_h = true;
  }

  if (!has_w) {
    switch (type) {
      case ControlType::GroupBox: r.w = gui.scale(15 * p) + 2 * gui.margin_x; break;
      case ControlType::ListView:
      case ControlType::TreeView:
      case ControlType::DateTime:
      case ControlType::Custom:
        r.w = gui.scale(30 * p);
        break;
      case ControlType::Tab:
      case ControlType::Tab2:
      case ControlType::Tab3:
        r.w = 3 * gui.margin_x + gui.scale(30 * p);
        break;
      case ControlType::Pic:
      case ControlType::Gui:
        r.w = natural_w;
        break;
      default: r.w = gui.scale(15 * p); break;
    }
  }
  if (!has_h) {
    bool multi_edit = type == ControlType::Edit && (style & ES_MULTILINE);
    switch (type) {
      case ControlType::GroupBox: r.h = rows_height(gui, type, 2, style); break;
      case ControlType::DropDownList:
      case ControlType::ComboBox:
      case ControlType::ListBox:
        r.h = rows_height(gui, type, 3, style);
        break;
      case ControlType::ListView:
      case ControlType::TreeView:
      case ControlType::Custom:
        r.h = rows_height(gui, type, 5, style);
        break;
      case ControlType::Edit: r.h = rows_height(gui, type, multi_edit ? 3 : 1, style); break;
      case ControlType::DateTime:
      case ControlType::Hotkey:
        r.h = rows_height(gui, type, 1, style);
        break;
      case ControlType::Progress: r.h = gui.scale(2 * p); break;
      case ControlType::UpDown: r.h = rows_height(gui, ControlType::Text, 5, style); break;
      case ControlType::Tab:
      case ControlType::Tab2:
      case ControlType::Tab3:
        r.h = rows_height(gui, type, 10, style);
        break;
      case ControlType::Pic:
      case ControlType::Gui:
        r.h = natural_h;
        break;
      default: r.h = gui.scale(30); break;
    }
  }
  return r;
}

void note_placed(GuiWindow& gui, ControlType type, const ControlRect& r, bool starts_section, bool in_tab) {
  if (type == ControlType::StatusBar) return;
  bool first = gui.prev_type == ControlType::None;
  gui.prev_x = r.x;
  gui.prev_y = r.y;
  gui.prev_w = r.w;
  gui.prev_h = r.h;
  gui.prev_type = type;
  if (!in_tab) {
    gui.max_extent_x = std::max(gui.max_extent_x, r.x + r.w);
    gui.max_extent_y = std::max(gui.max_extent_y, r.y + r.h);
  }
  if (starts_section || first) {
    gui.section_x = r.x;
    gui.section_y = r.y;
  }
}

}  // namespace orv
