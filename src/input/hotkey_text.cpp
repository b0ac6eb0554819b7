#include "input/hotkey_text.h"

#include "input/key_codes.h"
#include "input/keyboard_layout.h"

namespace orv {

namespace {

constexpr size_t kMaxKeyName = 31;

struct KeyCode {
  uint8_t vk = 0;
  uint16_t sc = 0;
  uint32_t neutral = 0;  // modifiers the layout needs to type the character
  bool by_number = false;
  uint8_t joystick = 0, joy_button = 0;
};

bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }

// "Joy5" or "2Joy5": a joystick (1-16) and a button (1-32).
bool joystick_button(StringView name, KeyCode& key) {
  size_t i = 0;
  int joystick = 0;
  while (i < name.size() && is_digit(name[i]) && i < 2) joystick = joystick * 10 + (name[i++] - u'0');
  if (i == 0) joystick = 1;
  if (joystick < 1 || joystick > 16 || !starts_with_ignore_case(name.substr(i), u"Joy")) return false;
  StringView digits = name.substr(i + 3);
  if (digits.empty() || digits.size() > 2) return false;
  int button = 0;
  for (char16_t c : digits) {
    if (!is_digit(c)) return false;
    button = button * 10 + (c - u'0');
  }
  if (button < 1 || button > 32) return false;
  key.joystick = uint8_t(joystick);
  key.joy_button = uint8_t(button);
  return true;
}

// A key name in the order the grammar tries them: a character of the
// layout, VK and digits, the virtual-key names, SC and digits or the
// scan-code names, a joystick button.
bool resolve_key(StringView name, const KeyboardLayout& layout, KeyCode& key, bool& unknown_char) {
  unknown_char = false;
  if (name.size() == 1) {
    uint8_t shift_state = 0;
    if (!layout.key_for_char(name[0], key.vk, shift_state)) {
      unknown_char = true;
      return false;
    }
    // A letter's key is the key, whichever case was written.
    char16_t c = name[0];
    bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
    if ((shift_state & 1) && !letter) key.neutral |= ModShift;
    if (shift_state & 2) key.neutral |= ModControl;
    if (shift_state & 4) key.neutral |= ModAlt;
    return true;
  }
  if (vk_by_number(name, key.vk)) {
    key.by_number = true;
    return true;
  }
  // VK and SC together: the key with the scan code the hook looks at.
  size_t sc_at = find_ignore_case(name, u"sc", 2);
  if (starts_with_ignore_case(name, u"vk") && sc_at != StringView::npos &&
      vk_by_number(name.substr(0, sc_at), key.vk) && sc_by_number(name.substr(sc_at), key.sc)) {
    key.by_number = true;
    return true;
  }
  if ((key.vk = vk_by_name(name)) != 0) return true;
  if (sc_by_number(name, key.sc) || (key.sc = sc_by_name(name)) != 0) return true;
  return joystick_button(name, key);
}

// " Up" at the end of a key name, after at least one blank.
bool strip_up(StringView& name) {
  if (name.size() < 4 || !equals_ignore_case(name.substr(name.size() - 2), u"Up") || !is_blank(name[name.size() - 3]))
    return false;
  name = trim_right(name.substr(0, name.size() - 2));
  return true;
}

// A key that is itself a modifier needs no modifier for itself: "+Shift"
// is Shift, and "<!LAlt" needs nothing beyond the LAlt key itself.
void drop_own_modifier(HotkeyText& h) {
  switch (h.vk) {
    case vk::Shift: h.neutral &= ~uint32_t(ModShift); break;
    case vk::Control: h.neutral &= ~uint32_t(ModControl); break;
    case vk::Alt: h.neutral &= ~uint32_t(ModAlt); break;
    default: h.sided &= uint8_t(~sided_bit_of_vk(h.vk)); break;
  }
}

bool apply_key(const KeyCode& k, HotkeyText& h) {
  h.vk = k.vk;
  h.sc = k.sc;
  h.neutral |= k.neutral;
  h.vk_by_number = k.by_number;
  h.joystick = k.joystick;
  h.joy_button = k.joy_button;
  if (is_mouse_vk(h.vk)) h.mouse = true;
  return true;
}

HotkeyTextError key_error(StringView name, bool unknown_char, String& culprit) {
  culprit.assign(name);
  return unknown_char ? HotkeyTextError::UnknownCharacter : HotkeyTextError::InvalidKeyName;
}

HotkeyTextError parse_combination(StringView text, size_t amp, const KeyboardLayout& layout, HotkeyText& h,
                                  String& culprit) {
  StringView prefix = text.substr(0, amp);
  if (!prefix.empty() && prefix[0] == u'~') {
    h.prefix_pass_through = true;
    prefix = trim_left(prefix.substr(1));
  }
  prefix = trim_right(prefix);
  StringView key = trim_left(text.substr(amp + 3));
  if (!key.empty() && key[0] == u'~') {
    h.pass_through = true;
    key.remove_prefix(1);
  }
  h.key_up = strip_up(key);
  KeyCode p, k;
  bool unknown = false;
  if (!resolve_key(prefix, layout, p, unknown) || p.joy_button) return key_error(prefix, unknown, culprit);
  if (is_wheel_vk(p.vk)) {
    culprit.assign(prefix);
    return HotkeyTextError::NotAPrefix;
  }
  if (!resolve_key(key, layout, k, unknown) || k.joy_button) return key_error(key, unknown, culprit);
  h.has_prefix = true;
  h.prefix_vk = p.vk;
  h.prefix_sc = p.sc;
  if (is_mouse_vk(p.vk)) h.mouse = true;
  // Modifiers the layout needs for a character key do not apply here: the
  // prefix key is the only condition.
  k.neutral = 0;
  apply_key(k, h);
  h.prefix_name.assign(prefix.substr(0, kMaxKeyName));
  h.key_name.assign(key.substr(0, kMaxKeyName));
  return HotkeyTextError::None;
}

}  // namespace

bool key_from_name(StringView name, const KeyboardLayout& layout, uint8_t& vk, uint16_t& sc) {
  KeyCode k;
  bool unknown = false;
  if (name.empty() || !resolve_key(name, layout, k, unknown) || k.joy_button) return false;
  vk = k.vk;
  sc = k.sc;
  return true;
}

HotkeyTextError parse_hotkey_text(StringView text, const KeyboardLayout& layout, HotkeyText& h, String& culprit) {
  h = HotkeyText();
  if (text.size() > kMaxHotkeyText) text = text.substr(0, kMaxHotkeyText);
  size_t amp = text.find(u" & ");
  if (amp != StringView::npos) return parse_combination(text, amp, layout, h, culprit);

  enum Side { None, Left, Right, Both } side = None;
  size_t i = 0;
  auto modifier = [&](uint32_t neutral, uint8_t left, uint8_t right) {
    switch (side) {
      case None: h.neutral |= neutral; break;
      case Left: h.sided |= left; break;
      case Right: h.sided |= right; break;
      case Both: h.sided |= left | right; break;
    }
    side = None;
  };
  for (; text.size() - i >= 2 && !equals_ignore_case(text.substr(i), u" Up"); ++i) {
    char16_t c = text[i];
    if (c == u'!') modifier(ModAlt, ModLAlt, ModRAlt);
    else if (c == u'^') modifier(ModControl, ModLCtrl, ModRCtrl);
    else if (c == u'+') modifier(ModShift, ModLShift, ModRShift);
    else if (c == u'#') modifier(ModWin, ModLWin, ModRWin);
    else if (c == u'<') side = side == Right ? Both : Left;
    else if (c == u'>') side = side == Left ? Both : Right;
    else if (c == u'*') h.wildcard = true;
    else if (c == u'$') h.use_hook = true;
    else if (c == u'~') h.pass_through = true;
    else break;
  }
  StringView key = text.substr(i);
  h.key_up = strip_up(key);
  KeyCode k;
  bool unknown = false;
  if (!resolve_key(key, layout, k, unknown)) return key_error(key, unknown, culprit);
  apply_key(k, h);
  drop_own_modifier(h);
  h.key_name.assign(key.substr(0, kMaxKeyName));
  return HotkeyTextError::None;
}

bool hotkey_forces_hook(const HotkeyText& h, bool use_hook_directive) {
  if (h.joy_button) return false;
  switch (h.vk) {
    case vk::Shift: case vk::Control: case vk::Alt: case vk::LWin: case vk::RWin:
      if (!h.neutral && !h.sided) return true;
      break;
    case vk::CapsLock: case vk::AppsKey: case vk::NumLock: case vk::ScrollLock:
    case vk::LShift: case vk::RShift: case vk::LControl: case vk::RControl: case vk::LAlt: case vk::RAlt:
      return true;
    default: break;
  }
  if (h.sc && !h.vk) return true;
  // "~" too: the system's registration always swallows the key it fires on.
  if (h.sided || h.key_up || h.has_prefix || use_hook_directive || h.wildcard || h.use_hook || h.pass_through) return true;
  return h.vk && !h.vk_by_number && !h.mouse && vk_has_second_key(h.vk);
}

int64_t read_option_number(StringView text, size_t& i) {
  size_t start = i;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) ++i;
  while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') ++i;
  int64_t n = 0;
  (void)parse_int(text.substr(start, i - start), n);
  return n;
}

}  // namespace orv
