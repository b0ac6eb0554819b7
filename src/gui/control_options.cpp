#include "gui/control_options.h"

#include <string>

#include "runtime/numbers.h"
#include "windows/window_set_values.h"

namespace orv {

namespace {

// Window styles shared by every control.
constexpr uint32_t WS_CHILD = 0x40000000, WS_VISIBLE = 0x10000000, WS_DISABLED = 0x08000000,
                   WS_BORDER = 0x00800000, WS_VSCROLL = 0x00200000, WS_HSCROLL = 0x00100000,
                   WS_GROUP = 0x00020000, WS_TABSTOP = 0x00010000;
constexpr uint32_t WS_EX_CLIENTEDGE = 0x200, WS_EX_NOPARENTNOTIFY = 0x4;
// Static controls.
constexpr uint32_t SS_CENTER = 0x1, SS_RIGHT = 0x2, SS_NOTIFY = 0x100, SS_ALIGN = 0x3;
// Buttons.
constexpr uint32_t BS_DEFPUSHBUTTON = 0x1, BS_AUTOCHECKBOX = 0x3, BS_AUTO3STATE = 0x6, BS_GROUPBOX = 0x7,
                   BS_AUTORADIOBUTTON = 0x9, BS_TYPE = 0xF, BS_RIGHTBUTTON = 0x20, BS_LEFT = 0x100,
                   BS_RIGHT = 0x200, BS_CENTER = 0x300, BS_MULTILINE = 0x2000, BS_NOTIFY = 0x4000;
// Edit controls.
constexpr uint32_t ES_CENTER = 0x1, ES_RIGHT = 0x2, ES_MULTILINE = 0x4, ES_UPPERCASE = 0x8, ES_LOWERCASE = 0x10,
                   ES_PASSWORD = 0x20, ES_AUTOVSCROLL = 0x40, ES_AUTOHSCROLL = 0x80, ES_READONLY = 0x800,
                   ES_WANTRETURN = 0x1000, ES_NUMBER = 0x2000, ES_ALIGN = 0x3;
// List boxes and combo boxes.
constexpr uint32_t LBS_NOTIFY = 0x1, LBS_SORT = 0x2, LBS_USETABSTOPS = 0x80, LBS_NOINTEGRALHEIGHT = 0x100,
                   LBS_EXTENDEDSEL = 0x800;
constexpr uint32_t CBS_SIMPLE = 0x1, CBS_DROPDOWN = 0x2, CBS_DROPDOWNLIST = 0x3, CBS_AUTOHSCROLL = 0x40,
                   CBS_SORT = 0x100, CBS_LOWERCASE = 0x4000, CBS_UPPERCASE = 0x2000, CBS_TYPE = 0x3;

bool is_button_like(ControlType t) {
  return t == ControlType::Button || t == ControlType::Checkbox || t == ControlType::Radio ||
         t == ControlType::GroupBox;
}
bool is_combo(ControlType t) { return t == ControlType::DropDownList || t == ControlType::ComboBox; }

void set_bits(ControlOptions& o, uint32_t bits, bool on) {
  if (on) o.style_add |= bits, o.style_remove &= ~bits;
  else o.style_remove |= bits, o.style_add &= ~bits;
}
void set_ex_bits(ControlOptions& o, uint32_t bits, bool on) {
  if (on) o.ex_add |= bits, o.ex_remove &= ~bits;
  else o.ex_remove |= bits, o.ex_add &= ~bits;
}
// An alignment replaces the other alignments of its family.
void set_align(ControlOptions& o, uint32_t mask, uint32_t bits, bool on) {
  set_bits(o, mask, false);
  if (on && bits) set_bits(o, bits, true);
}

bool read_int(StringView s, int32_t& out) {
  if (numeric_type_of(s) != NumType::Integer) return false;
  out = int32_t(text_to_int(s));
  return true;
}

// The number of a position word after its letter: "", "+10", "-5", "10".
bool read_offset(StringView s, int32_t& out) {
  if (s.empty()) return out = 0, true;
  return read_int(s, out);
}

bool position(StringView rest, PosBase& base, int32_t& n, bool& plus_margin) {
  if (rest.empty()) return false;
  char16_t c = rest[0] | 0x20;
  plus_margin = false;
  if (c == u'm' || c == u'p' || c == u's') {
    base = c == u'm' ? PosBase::Margin : c == u'p' ? PosBase::Prev : PosBase::Section;
    return read_offset(rest.substr(1), n);
  }
  if (rest[0] == u'+') {
    base = PosBase::AfterPrev;
    if (equals_ignore_case(rest.substr(1), u"m")) return plus_margin = true, n = 0, true;
    return read_int(rest.substr(1), n);
  }
  base = PosBase::Absolute;
  return read_int(rest, n);
}

bool size(StringView rest, std::optional<int32_t>& value, bool& prev) {
  if (rest.empty()) return false;
  int32_t n = 0;
  if ((rest[0] | 0x20) == u'p') {
    if (!read_offset(rest.substr(1), n)) return false;
    prev = true;
    value = n;
    return true;
  }
  if (!read_int(rest, n)) return false;
  prev = false;
  value = n;
  return true;
}

// A boolean word's suffix: nothing or a number (0 turns the word around).
bool flag(StringView rest, bool sign_on, bool& on) {
  if (rest.empty()) return on = sign_on, true;
  int32_t n = 0;
  if (!read_int(rest, n)) return false;
  on = n != 0 ? sign_on : !sign_on;
  return true;
}

// A word without a value of its own; false when the word is none of these.
bool style_word(StringView word, StringView rest, bool sign_on, ControlType type, ControlOptions& o, bool& ok) {
  ok = true;
  bool on = sign_on;
  auto is = [&](StringView name) { return equals_ignore_case(word, name) && (ok = flag(rest, sign_on, on), true); };
  if (is(u"Border")) set_bits(o, WS_BORDER, on);
  else if (is(u"VScroll")) set_bits(o, WS_VSCROLL, on);
  else if (is(u"HScroll")) set_bits(o, WS_HSCROLL, on);
  else if (is(u"Tabstop")) set_bits(o, WS_TABSTOP, on);
  else if (is(u"NoTab")) set_bits(o, WS_TABSTOP, !on);
  else if (is(u"Group")) set_bits(o, WS_GROUP, on);
  else if (is(u"Disabled")) o.disabled = on;
  else if (is(u"Hidden")) o.hidden = on;
  else if (is(u"AltSubmit")) o.alt_submit = on;
  else if (is(u"Theme")) o.theme = on;
  else if (is(u"Redraw")) o.redraw = on;
  else if (is(u"BackgroundTrans")) o.background_trans = on;
  else if (is(u"WantTab")) o.wants_tab = on;
  else if (is(u"WantCtrlA")) o.wants_ctrl_a = on;
  else if (is(u"Section")) o.section = on;
  else if (is(u"Wrap")) {
    if (is_button_like(type)) set_bits(o, BS_MULTILINE, on);
    else if (type == ControlType::Edit) set_bits(o, ES_AUTOHSCROLL, !on);
  } else if (is(u"Center") || is(u"Right") || is(u"Left")) {
    bool center = equals_ignore_case(word, u"Center"), right = equals_ignore_case(word, u"Right");
    if (type == ControlType::Text || type == ControlType::Pic)
      set_align(o, SS_ALIGN, center ? SS_CENTER : right ? SS_RIGHT : 0, on);
    else if (type == ControlType::Edit)
      set_align(o, ES_ALIGN, center ? ES_CENTER : right ? ES_RIGHT : 0, on);
    else if ((type == ControlType::Checkbox || type == ControlType::Radio) && right)
      set_bits(o, BS_RIGHTBUTTON | BS_RIGHT, on);
    else if (is_button_like(type))
      set_align(o, BS_CENTER, center ? BS_CENTER : right ? BS_RIGHT : BS_LEFT, on);
  } else if (is(u"Default")) {
    if (type == ControlType::Button) set_bits(o, BS_DEFPUSHBUTTON, on);
    else ok = false;
  } else if (is(u"Check3")) {
    if (type != ControlType::Checkbox) ok = false;
    else set_bits(o, BS_TYPE, false), set_bits(o, on ? BS_AUTO3STATE : BS_AUTOCHECKBOX, true);
  } else if (is(u"Gray")) {
    if (type == ControlType::Checkbox) o.checked = on ? 2 : 0;
    else ok = false;
  } else if (is(u"ReadOnly")) {
    if (type == ControlType::Edit) set_bits(o, ES_READONLY, on);
    else ok = false;
  } else if (is(u"Multi")) {
    o.multi = on;
    o.multi_given = true;
    if (type == ControlType::Edit) set_bits(o, ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL, on);
    else if (type == ControlType::ListBox) set_bits(o, LBS_EXTENDEDSEL, on);
    else ok = false;
  } else if (is(u"WantReturn")) {
    if (type == ControlType::Edit) set_bits(o, ES_WANTRETURN, on);
    else ok = false;
  } else if (is(u"Number")) {
    if (type == ControlType::Edit) set_bits(o, ES_NUMBER, on);
    else ok = false;
  } else if (is(u"Lowercase") || is(u"Uppercase")) {
    bool lower = equals_ignore_case(word, u"Lowercase");
    if (type == ControlType::Edit) set_bits(o, lower ? ES_LOWERCASE : ES_UPPERCASE, on);
    else if (type == ControlType::ComboBox) set_bits(o, lower ? CBS_LOWERCASE : CBS_UPPERCASE, on);
    else ok = false;
  } else if (is(u"Simple")) {
    if (type == ControlType::ComboBox) set_bits(o, CBS_TYPE, false), set_bits(o, on ? CBS_SIMPLE : CBS_DROPDOWN, true);
    else ok = false;
  } else if (is(u"Sort")) {
    if (type == ControlType::ListBox) set_bits(o, LBS_SORT, on);
    else if (is_combo(type)) set_bits(o, CBS_SORT, on);
    else ok = false;
  } else {
    return false;
  }
  return true;
}

OptionError one_word(StringView word, ControlType type, ControlOptions& o) {
  bool on = true;
  if (word[0] == u'+' || word[0] == u'-') {
    on = word[0] == u'+';
    word = word.substr(1);
    if (word.empty()) return OptionError::Invalid;
  }
  // Style numbers: 0x.. or a plain number, E before them for extended styles.
  if (numeric_type_of(word) == NumType::Integer) {
    set_bits(o, uint32_t(text_to_int(word)), on);
    return OptionError::None;
  }
  if ((word[0] | 0x20) == u'e' && numeric_type_of(word.substr(1)) == NumType::Integer) {
    set_ex_bits(o, uint32_t(text_to_int(word.substr(1))), on);
    return OptionError::None;
  }
  // Words with a value glued on.
  auto value_of = [&](StringView name, StringView& rest) {
    if (!starts_with_ignore_case(word, name)) return false;
    rest = word.substr(name.size());
    return true;
  };
  StringView rest;
  if (OptionError e; view_option_word(word, on, type, o, e)) return e;
  if (value_of(u"Checked", rest)) {
    int32_t n = 1;
    if (equals_ignore_case(rest, u"Gray")) n = -1;
    else if (!rest.empty() && !read_int(rest, n)) return OptionError::Invalid;
    if (type != ControlType::Checkbox && type != ControlType::Radio) return OptionError::Invalid;
    o.checked = !on ? 0 : n == -1 ? 2 : n != 0 ? 1 : 0;
    return OptionError::None;
  }
  if (value_of(u"Choose", rest)) {
    int32_t n = 0;
    if (!read_int(rest, n)) return OptionError::Invalid;
    o.choose = on ? n : 0;
    return OptionError::None;
  }
  if (value_of(u"Limit", rest)) {
    int32_t n = 0;
    if (!rest.empty() && !read_int(rest, n)) return OptionError::Invalid;
    if (type != ControlType::Edit && type != ControlType::ComboBox) return OptionError::Invalid;
    o.limit = on ? n : -1;
    return OptionError::None;
  }
  if (value_of(u"Password", rest)) {
    if (type != ControlType::Edit || rest.size() > 1) return OptionError::Invalid;
    o.password_given = true;
    o.password_on = on;
    if (!rest.empty()) o.password_char = rest[0];
    set_bits(o, ES_PASSWORD, on);
    return OptionError::None;
  }
  if (value_of(u"Hwnd", rest) && !rest.empty()) {
    o.hwnd_var = String(rest);
    return OptionError::None;
  }
  if (type == ControlType::Pic && value_of(u"Icon", rest) && numeric_type_of(rest) == NumType::Integer) {
    o.icon_number = int32_t(text_to_int(rest));
    return OptionError::None;
  }
  if (value_of(u"Class", rest) && !rest.empty() && type == ControlType::Custom) {
    o.class_name = String(rest);
    return OptionError::None;
  }
  // Anchors: AX, AY, AW, AH and a fraction, a/b, or P for the previous control's.
  if (word.size() >= 3 && (word[0] | 0x20) == u'a') {
    static constexpr char16_t kSides[] = u"xywh";
    const char16_t* side = std::char_traits<char16_t>::find(kSides, 4, char16_t(word[1] | 0x20));
    StringView v = word.substr(2);
    if (side) {
      size_t k = size_t(side - kSides);
      size_t slash = v.find(u'/');
      if (equals_ignore_case(v, u"P")) {
        o.anchor_prev[k] = true;
        return OptionError::None;
      }
      if (equals_ignore_case(v, u"R") || equals_ignore_case(v, u"A")) {
        o.anchor[k] = on ? 1.0 : 0.0;
        return OptionError::None;
      }
      if (slash != StringView::npos) {
        StringView a = v.substr(0, slash), b = v.substr(slash + 1);
        if (numeric_type_of(a) == NumType::NotNumeric || numeric_type_of(b) == NumType::NotNumeric ||
            text_to_double(b) == 0)
          return OptionError::Invalid;
        o.anchor[k] = on ? text_to_double(a) / text_to_double(b) : 0.0;
        return OptionError::None;
      }
      if (numeric_type_of(v) != NumType::NotNumeric) {
        o.anchor[k] = on ? text_to_double(v) : 0.0;
        return OptionError::None;
      }
    }
  }
  // Whole words, each perhaps followed by 0 or 1.
  for (size_t cut = word.size(); cut > 0; --cut) {
    if (cut < word.size() && !(word[cut] >= u'0' && word[cut] <= u'9') && word[cut] != u'-') continue;
    bool ok = false;
    if (style_word(word.substr(0, cut), word.substr(cut), on, type, o, ok)) {
      if (ok) return OptionError::None;
      break;
    }
  }
  // One letter and what follows it.
  char16_t letter = word[0] | 0x20;
  rest = word.substr(1);
  switch (letter) {
    case u'x':
      if (!position(rest, o.x_base, o.x, o.x_plus_margin)) return OptionError::Invalid;
      return OptionError::None;
    case u'y':
      if (!position(rest, o.y_base, o.y, o.y_plus_margin)) return OptionError::Invalid;
      return OptionError::None;
    case u'w':
      return size(rest, o.w, o.w_prev) ? OptionError::None : OptionError::Invalid;
    case u'h':
      return size(rest, o.h, o.h_prev) ? OptionError::None : OptionError::Invalid;
    case u'r':
      if (numeric_type_of(rest) == NumType::NotNumeric) return OptionError::Invalid;
      o.rows = text_to_double(rest);
      if (o.rows <= 0) return OptionError::Invalid;
      return OptionError::None;
    case u'v':
      if (rest.empty()) return OptionError::Invalid;
      o.has_var = true;
      o.var_name = String(rest);
      return OptionError::None;
    case u'g':
      o.has_handler = true;
      o.handler_name = String(rest);
      return OptionError::None;
    case u'c':
      if (equals_ignore_case(rest, u"Default")) o.color = platform::kDefaultColor;
      else if (!parse_color(rest, o.color)) return OptionError::Invalid;
      o.color_given = true;
      return OptionError::None;
    case u't': {
      int32_t n = 0;
      if (!read_int(rest, n)) return OptionError::Invalid;
      if (o.tab_stops.size() >= 50) return OptionError::TooManyTabStops;
      o.tab_stops.push_back(n);
      return OptionError::None;
    }
    default:
      return OptionError::Invalid;
  }
}

}  // namespace

OptionError parse_control_options(StringView text, ControlType type, ControlOptions& out, StringView& culprit) {
  size_t i = 0;
  for (;;) {
    StringView word = next_word(text, i);
    if (word.empty()) break;
    if (OptionError e = one_word(word, type, out); e != OptionError::None) {
      culprit = word;
      return e;
    }
  }
  return OptionError::None;
}

void default_control_styles(ControlType type, const ControlOptions& o, uint32_t& style, uint32_t& ex) {
  style = WS_CHILD | WS_VISIBLE;
  ex = WS_EX_NOPARENTNOTIFY;
  bool handler = o.has_handler && !o.handler_name.empty();
  switch (type) {
    case ControlType::Text:
    case ControlType::Pic:
      if (handler) style |= SS_NOTIFY;
      break;
    case ControlType::GroupBox: style |= BS_GROUPBOX; break;
    case ControlType::Button: style |= WS_TABSTOP | BS_NOTIFY; break;
    case ControlType::Checkbox: style |= WS_TABSTOP | BS_AUTOCHECKBOX | BS_NOTIFY; break;
    case ControlType::Radio: style |= WS_TABSTOP | BS_AUTORADIOBUTTON | BS_NOTIFY; break;
    case ControlType::DropDownList: style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST; break;
    case ControlType::ComboBox: style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL; break;
    case ControlType::ListBox:
      style |= WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
      if (!o.tab_stops.empty()) style |= LBS_USETABSTOPS;
      ex |= WS_EX_CLIENTEDGE;
      break;
    case ControlType::Edit:
      style |= WS_TABSTOP | ES_AUTOHSCROLL;
      ex |= WS_EX_CLIENTEDGE;
      break;
    case ControlType::Custom: style |= WS_TABSTOP; break;
    case ControlType::Tab:
    case ControlType::Tab2:
    case ControlType::Tab3:
      // Pages' controls sit on top of the tab control and are drawn over it.
      style |= WS_TABSTOP | 0x04000000;  // WS_CLIPSIBLINGS
      break;
    case ControlType::ListView:
      // A report with every row selectable, whose first column is not edited in place.
      style |= WS_TABSTOP | 0x1 /* LVS_REPORT */ | 0x8 /* LVS_SHOWSELALWAYS */;
      ex |= WS_EX_CLIENTEDGE;
      break;
    default: style |= WS_TABSTOP; break;
  }
}

uint32_t multiline_edit_styles() { return ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL; }

}  // namespace orv
