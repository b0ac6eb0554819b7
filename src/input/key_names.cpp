#include "input/key_names.h"

namespace orv {

namespace {

struct KeyEntry {
  const char16_t* name;
  uint16_t vk;
};

const KeyEntry kKeys[] = {
    {u"LButton", 0x01}, {u"RButton", 0x02}, {u"Cancel", 0x03}, {u"MButton", 0x04}, {u"XButton1", 0x05},
    {u"XButton2", 0x06}, {u"WheelDown", 0x9F}, {u"WheelUp", 0x9E}, {u"WheelLeft", 0x9C}, {u"WheelRight", 0x9D},
    {u"Backspace", 0x08}, {u"BS", 0x08}, {u"Tab", 0x09}, {u"Clear", 0x0C}, {u"Enter", 0x0D}, {u"Return", 0x0D},
    {u"Shift", 0x10}, {u"Control", 0x11}, {u"Ctrl", 0x11}, {u"Alt", 0x12}, {u"Pause", 0x13}, {u"CapsLock", 0x14},
    {u"Escape", 0x1B}, {u"Esc", 0x1B}, {u"Space", 0x20}, {u"PgUp", 0x21}, {u"PgDn", 0x22}, {u"End", 0x23},
    {u"Home", 0x24}, {u"Left", 0x25}, {u"Up", 0x26}, {u"Right", 0x27}, {u"Down", 0x28}, {u"PrintScreen", 0x2C},
    {u"Insert", 0x2D}, {u"Ins", 0x2D}, {u"Delete", 0x2E}, {u"Del", 0x2E}, {u"Help", 0x2F}, {u"LWin", 0x5B},
    {u"RWin", 0x5C}, {u"AppsKey", 0x5D}, {u"Sleep", 0x5F},
    {u"Numpad0", 0x60}, {u"Numpad1", 0x61}, {u"Numpad2", 0x62}, {u"Numpad3", 0x63}, {u"Numpad4", 0x64},
    {u"Numpad5", 0x65}, {u"Numpad6", 0x66}, {u"Numpad7", 0x67}, {u"Numpad8", 0x68}, {u"Numpad9", 0x69},
    {u"NumpadMult", 0x6A}, {u"NumpadAdd", 0x6B}, {u"NumpadSub", 0x6D}, {u"NumpadDot", 0x6E}, {u"NumpadDiv", 0x6F},
    {u"NumpadEnter", 0x0D}, {u"NumpadIns", 0x2D}, {u"NumpadEnd", 0x23}, {u"NumpadDown", 0x28},
    {u"NumpadPgDn", 0x22}, {u"NumpadLeft", 0x25}, {u"NumpadClear", 0x0C}, {u"NumpadRight", 0x27},
    {u"NumpadHome", 0x24}, {u"NumpadUp", 0x26}, {u"NumpadPgUp", 0x21}, {u"NumpadDel", 0x2E},
    {u"NumLock", 0x90}, {u"ScrollLock", 0x91}, {u"LShift", 0xA0}, {u"RShift", 0xA1}, {u"LControl", 0xA2},
    {u"LCtrl", 0xA2}, {u"RControl", 0xA3}, {u"RCtrl", 0xA3}, {u"LAlt", 0xA4}, {u"RAlt", 0xA5},
    {u"Browser_Back", 0xA6}, {u"Browser_Forward", 0xA7}, {u"Browser_Refresh", 0xA8}, {u"Browser_Stop", 0xA9},
    {u"Browser_Search", 0xAA}, {u"Browser_Favorites", 0xAB}, {u"Browser_Home", 0xAC}, {u"Volume_Mute", 0xAD},
    {u"Volume_Down", 0xAE}, {u"Volume_Up", 0xAF}, {u"Media_Next", 0xB0}, {u"Media_Prev", 0xB1},
    {u"Media_Stop", 0xB2}, {u"Media_Play_Pause", 0xB3}, {u"Launch_Mail", 0xB4}, {u"Launch_Media", 0xB5},
    {u"Launch_App1", 0xB6}, {u"Launch_App2", 0xB7},
};

bool parse_hex(StringView s, uint32_t& out) {
  if (s.empty() || s.size() > 4) return false;
  uint32_t v = 0;
  for (char16_t c : s) {
    int d = (c >= u'0' && c <= u'9') ? c - u'0' : (c >= u'a' && c <= u'f') ? c - u'a' + 10 : (c >= u'A' && c <= u'F') ? c - u'A' + 10 : -1;
    if (d < 0) return false;
    v = v * 16 + uint32_t(d);
  }
  out = v;
  return true;
}

}  // namespace

bool lookup_key_name(StringView name, uint16_t& vk, bool* is_char) {
  if (is_char) *is_char = false;
  if (name.size() == 1) {
    char16_t c = upper_case(name[0]);
    if ((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')) { vk = c; return true; }
    if (is_char) *is_char = true;
    vk = 0;
    return c > u' ';
  }
  for (const KeyEntry& k : kKeys) {
    if (equals_ignore_case(name, k.name)) { vk = k.vk; return true; }
  }
  // F1 to F24
  if ((name[0] == u'F' || name[0] == u'f') && name.size() <= 3) {
    int64_t n;
    if (parse_int(name.substr(1), n) && n >= 1 && n <= 24 && name[1] != u'+' && name[1] != u'-') {
      vk = uint16_t(0x6F + n);
      return true;
    }
  }
  // vkNN, scNNN, vkNNscNNN
  if (starts_with_ignore_case(name, u"vk")) {
    size_t sc = find_ignore_case(name, u"sc", 2);
    uint32_t v, s;
    if (!parse_hex(name.substr(2, sc == StringView::npos ? StringView::npos : sc - 2), v) || v == 0 || v > 0xFF) return false;
    if (sc != StringView::npos && !parse_hex(name.substr(sc + 2), s)) return false;
    vk = uint16_t(v);
    return true;
  }
  if (starts_with_ignore_case(name, u"sc")) {
    uint32_t s;
    if (!parse_hex(name.substr(2), s) || s == 0) return false;
    vk = 0;
    return true;
  }
  return false;
}

bool is_mouse_key(uint16_t vk) { return (vk >= 0x01 && vk <= 0x06 && vk != 0x03) || (vk >= 0x9C && vk <= 0x9F); }

bool is_valid_hotkey(StringView text) {
  if (text.empty()) return false;
  size_t amp = text.find(u" & ");
  if (amp != StringView::npos && amp > 0) {
    StringView first = trim(text.substr(0, amp));
    StringView second = trim(text.substr(amp + 3));
    // Only "~" may stand before the prefix key of a custom combination.
    if (!first.empty() && first[0] == u'~' && first.size() > 1) first.remove_prefix(1);
    if (second.size() > 3 && equals_ignore_case(second.substr(second.size() - 3), u" up"))
      second = trim_right(second.substr(0, second.size() - 3));
    uint16_t vk;
    return lookup_key_name(first, vk) && lookup_key_name(second, vk);
  }
  size_t i = 0;
  // Modifier symbols, but a lone symbol is itself the key.
  while (i + 1 < text.size() && StringView(u"#!^+<>*~$").find(text[i]) != StringView::npos) ++i;
  StringView key = text.substr(i);
  if (key.size() > 3 && equals_ignore_case(key.substr(key.size() - 3), u" up")) key = trim_right(key.substr(0, key.size() - 3));
  uint16_t vk;
  return lookup_key_name(key, vk);
}

}  // namespace orv
