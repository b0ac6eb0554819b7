#include "input/key_codes.h"

#include <iterator>

#include "runtime/numbers.h"

namespace orv {

namespace {

struct VkName {
  const char16_t* name;
  uint8_t vk;
};

struct ScName {
  const char16_t* name;
  uint16_t sc;
};

// Looked up in order, without regard to case; the first name of a code is
// the one reports show.
const VkName kVkNames[] = {
    {u"Numpad0", 0x60}, {u"Numpad1", 0x61}, {u"Numpad2", 0x62}, {u"Numpad3", 0x63}, {u"Numpad4", 0x64},
    {u"Numpad5", 0x65}, {u"Numpad6", 0x66}, {u"Numpad7", 0x67}, {u"Numpad8", 0x68}, {u"Numpad9", 0x69},
    {u"NumpadMult", 0x6A}, {u"NumpadDiv", 0x6F}, {u"NumpadAdd", 0x6B}, {u"NumpadSub", 0x6D}, {u"NumpadDot", 0x6E},
    {u"Numlock", 0x90}, {u"ScrollLock", 0x91}, {u"CapsLock", 0x14}, {u"Escape", 0x1B}, {u"Esc", 0x1B},
    {u"Tab", 0x09}, {u"Space", 0x20}, {u"Backspace", 0x08}, {u"BS", 0x08}, {u"Enter", 0x0D}, {u"Return", 0x0D},
    {u"NumpadDel", 0x2E}, {u"NumpadIns", 0x2D}, {u"NumpadClear", 0x0C}, {u"NumpadUp", 0x26},
    {u"NumpadDown", 0x28}, {u"NumpadLeft", 0x25}, {u"NumpadRight", 0x27}, {u"NumpadHome", 0x24},
    {u"NumpadEnd", 0x23}, {u"NumpadPgUp", 0x21}, {u"NumpadPgDn", 0x22}, {u"PrintScreen", 0x2C},
    {u"CtrlBreak", 0x03}, {u"Pause", 0x13}, {u"Break", 0x13}, {u"Help", 0x2F}, {u"Sleep", 0x5F},
    {u"AppsKey", 0x5D}, {u"LControl", 0xA2}, {u"RControl", 0xA3}, {u"LCtrl", 0xA2}, {u"RCtrl", 0xA3},
    {u"LShift", 0xA0}, {u"RShift", 0xA1}, {u"LAlt", 0xA4}, {u"RAlt", 0xA5}, {u"LWin", 0x5B}, {u"RWin", 0x5C},
    {u"Control", 0x11}, {u"Ctrl", 0x11}, {u"Alt", 0x12}, {u"Shift", 0x10}, {u"F1", 0x70}, {u"F2", 0x71},
    {u"F3", 0x72}, {u"F4", 0x73}, {u"F5", 0x74}, {u"F6", 0x75}, {u"F7", 0x76}, {u"F8", 0x77}, {u"F9", 0x78},
    {u"F10", 0x79}, {u"F11", 0x7A}, {u"F12", 0x7B}, {u"F13", 0x7C}, {u"F14", 0x7D}, {u"F15", 0x7E},
    {u"F16", 0x7F}, {u"F17", 0x80}, {u"F18", 0x81}, {u"F19", 0x82}, {u"F20", 0x83}, {u"F21", 0x84},
    {u"F22", 0x85}, {u"F23", 0x86}, {u"F24", 0x87}, {u"LButton", 0x01}, {u"RButton", 0x02}, {u"MButton", 0x04},
    {u"XButton1", 0x05}, {u"XButton2", 0x06}, {u"WheelDown", 0x9E}, {u"WheelUp", 0x9F}, {u"WheelLeft", 0x9C},
    {u"WheelRight", 0x9D}, {u"Browser_Back", 0xA6}, {u"Browser_Forward", 0xA7}, {u"Browser_Refresh", 0xA8},
    {u"Browser_Stop", 0xA9}, {u"Browser_Search", 0xAA}, {u"Browser_Favorites", 0xAB}, {u"Browser_Home", 0xAC},
    {u"Volume_Mute", 0xAD}, {u"Volume_Down", 0xAE}, {u"Volume_Up", 0xAF}, {u"Media_Next", 0xB0},
    {u"Media_Prev", 0xB1}, {u"Media_Stop", 0xB2}, {u"Media_Play_Pause", 0xB3}, {u"Launch_Mail", 0xB4},
    {u"Launch_Media", 0xB5}, {u"Launch_App1", 0xB6}, {u"Launch_App2", 0xB7},
};

// Keys that share a virtual key with a numpad key are told apart by scan code.
const ScName kScNames[] = {
    {u"NumpadEnter", 0x11C}, {u"Delete", 0x153}, {u"Del", 0x153}, {u"Insert", 0x152}, {u"Ins", 0x152},
    {u"Up", 0x148}, {u"Down", 0x150}, {u"Left", 0x14B}, {u"Right", 0x14D}, {u"Home", 0x147}, {u"End", 0x14F},
    {u"PgUp", 0x149}, {u"PgDn", 0x151},
};

struct FixedPair {
  uint8_t vk;
  uint16_t sc;
};

// The layout's own mapping is wrong or ambiguous for these keys.
const FixedPair kFixedScOfVk[] = {
    {0x5B, 0x15B}, {0x5C, 0x15C}, {0x60, 0x052}, {0x61, 0x04F}, {0x62, 0x050}, {0x63, 0x051}, {0x64, 0x04B},
    {0x65, 0x04C}, {0x66, 0x04D}, {0x67, 0x047}, {0x68, 0x048}, {0x69, 0x049}, {0x6A, 0x037}, {0x6B, 0x04E},
    {0x6D, 0x04A}, {0x6E, 0x053}, {0x6F, 0x135}, {0x90, 0x145}, {0xA0, 0x02A}, {0xA1, 0x136}, {0xA2, 0x01D},
    {0xA3, 0x11D}, {0xA4, 0x038}, {0xA5, 0x138},
};

// The other way; the navigation keys of the numpad map to their numpad
// names' virtual keys (NumpadHome is VK 0x24).
const FixedPair kFixedVkOfSc[] = {
    {0xA2, 0x01D}, {0xA0, 0x02A}, {0x6A, 0x037}, {0xA4, 0x038}, {0x24, 0x047}, {0x26, 0x048}, {0x21, 0x049},
    {0x6D, 0x04A}, {0x25, 0x04B}, {0x0C, 0x04C}, {0x27, 0x04D}, {0x6B, 0x04E}, {0x23, 0x04F}, {0x28, 0x050},
    {0x22, 0x051}, {0x2D, 0x052}, {0x2E, 0x053}, {0x0D, 0x11C}, {0xA3, 0x11D}, {0x6F, 0x135}, {0xA1, 0x136},
    {0xA5, 0x138}, {0x90, 0x145}, {0x5B, 0x15B}, {0x5C, 0x15C},
};

// `prefix` (two letters, any case) then 1 to 4 hexadecimal digits.
bool prefixed_hex(StringView text, StringView prefix, uint32_t& value) {
  if (text.size() < 3 || text.size() > 6 || !starts_with_ignore_case(text, prefix)) return false;
  value = 0;
  for (char16_t c : text.substr(2)) {
    int d = hex_digit_value(c);
    if (d < 0) return false;
    value = value * 16 + uint32_t(d);
  }
  return true;
}

}  // namespace

uint8_t vk_by_name(StringView name) {
  for (const VkName& k : kVkNames)
    if (equals_ignore_case(name, k.name)) return k.vk;
  return 0;
}

uint16_t sc_by_name(StringView name) {
  for (const ScName& k : kScNames)
    if (equals_ignore_case(name, k.name)) return k.sc;
  return 0;
}

bool vk_by_number(StringView text, uint8_t& vk) {
  uint32_t v;
  if (!prefixed_hex(text, u"vk", v) || v == 0 || v > 0xFF) return false;
  vk = uint8_t(v);
  return true;
}

bool sc_by_number(StringView text, uint16_t& sc) {
  uint32_t v;
  if (!prefixed_hex(text, u"sc", v) || v == 0 || v > 0x1FF) return false;
  sc = uint16_t(v);
  return true;
}

StringView name_of_vk(uint8_t vk) {
  for (const VkName& k : kVkNames)
    if (k.vk == vk) return k.name;
  return {};
}

StringView name_of_sc(uint16_t sc) {
  for (const ScName& k : kScNames)
    if (k.sc == sc) return k.name;
  return {};
}

uint16_t fixed_sc_of_vk(uint8_t vk) {
  for (const FixedPair& p : kFixedScOfVk)
    if (p.vk == vk) return p.sc;
  return 0;
}

uint8_t fixed_vk_of_sc(uint16_t sc) {
  for (const FixedPair& p : kFixedVkOfSc)
    if (p.sc == sc) return p.vk;
  return 0;
}

uint8_t sided_bit_of_vk(uint8_t v) {
  switch (v) {
    case vk::LControl: return ModLCtrl;
    case vk::RControl: return ModRCtrl;
    case vk::LAlt: return ModLAlt;
    case vk::RAlt: return ModRAlt;
    case vk::LShift: return ModLShift;
    case vk::RShift: return ModRShift;
    case vk::LWin: return ModLWin;
    case vk::RWin: return ModRWin;
    default: return 0;
  }
}

uint32_t neutral_of_vk(uint8_t v) {
  switch (v) {
    case vk::Shift: case vk::LShift: case vk::RShift: return ModShift;
    case vk::Control: case vk::LControl: case vk::RControl: return ModControl;
    case vk::Alt: case vk::LAlt: case vk::RAlt: return ModAlt;
    case vk::LWin: case vk::RWin: return ModWin;
    default: return 0;
  }
}

uint8_t sided_from_neutral(uint32_t neutral) {
  uint8_t s = 0;
  if (neutral & ModControl) s |= ModLCtrl | ModRCtrl;
  if (neutral & ModAlt) s |= ModLAlt | ModRAlt;
  if (neutral & ModShift) s |= ModLShift | ModRShift;
  if (neutral & ModWin) s |= ModLWin | ModRWin;
  return s;
}

uint32_t neutral_from_sided(uint8_t s) {
  uint32_t n = 0;
  if (s & (ModLCtrl | ModRCtrl)) n |= ModControl;
  if (s & (ModLAlt | ModRAlt)) n |= ModAlt;
  if (s & (ModLShift | ModRShift)) n |= ModShift;
  if (s & (ModLWin | ModRWin)) n |= ModWin;
  return n;
}

}  // namespace orv
