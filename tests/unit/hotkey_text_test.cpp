// Hotkey texts read into keys, modifiers and flags: the grammar's modifier
// symbols and sides, prefix combinations, key-up, the key-name lookup
// order, layouts that need more than Shift for a character, and the rule
// that decides when only the hook can tell the hotkey apart.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "input/hotkey_text.h"
#include "input/key_codes.h"
#include "input/keyboard_layout.h"

namespace orv {
namespace {

String u16(const char* s) { return utf8_to_utf16(s); }

// A scripted layout: characters with their keys and shift states, and a
// scan-code table; anything else is unknown to it.
class TableLayout : public KeyboardLayout {
 public:
  std::map<char16_t, std::pair<uint8_t, uint8_t>> chars;
  std::map<uint8_t, uint16_t> scan_codes;
  bool key_for_char(char16_t c, uint8_t& vk, uint8_t& shift_state) const override {
    auto it = chars.find(c);
    if (it == chars.end()) return false;
    vk = it->second.first;
    shift_state = it->second.second;
    return true;
  }
  uint16_t sc_of_vk(uint8_t vk) const override {
    auto it = scan_codes.find(vk);
    return it == scan_codes.end() ? 0 : it->second;
  }
  uint8_t vk_of_sc(uint16_t sc) const override {
    for (auto& [vk, s] : scan_codes)
      if (s == sc) return vk;
    return 0;
  }
};

// Letters and digits as on any layout, a German-style AltGr '@' and '{',
// a shifted '!', and Enter with its numpad twin.
TableLayout german() {
  TableLayout l;
  for (char16_t c = u'a'; c <= u'z'; ++c) l.chars[c] = {uint8_t(c - 32), 0};
  for (char16_t c = u'A'; c <= u'Z'; ++c) l.chars[c] = {uint8_t(c), 1};
  for (char16_t c = u'0'; c <= u'9'; ++c) l.chars[c] = {uint8_t(c), 0};
  l.chars[u'y'] = {0x5A, 0};  // y and z trade places
  l.chars[u'z'] = {0x59, 0};
  l.chars[u'@'] = {0x51, 6};
  l.chars[u'{'] = {0x37, 6};
  l.chars[u'!'] = {0x31, 1};
  l.scan_codes = {{0x0D, 0x1C}, {0x41, 0x1E}, {0x71, 0x3C}};
  return l;
}

struct Expect {
  const char* text;
  uint8_t vk;
  uint16_t sc;
  uint32_t neutral;
  uint8_t sided;
  const char* flags;  // letters: u key-up, p pass-through, h use-hook, w wildcard, m mouse, n vk by number
};

std::string flags_of(const HotkeyText& h) {
  std::string f;
  if (h.key_up) f += 'u';
  if (h.pass_through) f += 'p';
  if (h.use_hook) f += 'h';
  if (h.wildcard) f += 'w';
  if (h.mouse) f += 'm';
  if (h.vk_by_number) f += 'n';
  return f;
}

TEST(HotkeyText, ModifiersKeysAndFlags) {
  TableLayout layout = german();
  const Expect cases[] = {
      {"^!a", 0x41, 0, ModControl | ModAlt, 0, ""},
      {"<^>!a", 0x41, 0, 0, ModLCtrl | ModRAlt, ""},
      {"<>!a", 0x41, 0, 0, ModLAlt | ModRAlt, ""},
      {"><#a", 0x41, 0, 0, ModLWin | ModRWin, ""},
      {"+A", 0x41, 0, ModShift, 0, ""},           // a capital letter is its key: no Shift added
      {"A", 0x41, 0, 0, 0, ""},
      {"!", 0x31, 0, ModShift, 0, ""},            // a lone symbol is the key, with the layout's Shift
      {"^@", 0x51, 0, ModControl | ModAlt, 0, ""},  // AltGr: Control and Alt
      {"y", 0x5A, 0, 0, 0, ""},
      {"F1 Up", 0x70, 0, 0, 0, "u"},
      {"F1   up", 0x70, 0, 0, 0, "u"},
      {"Up", 0, 0x148, 0, 0, ""},                 // the arrow key, not a key-up
      {"Up Up", 0, 0x148, 0, 0, "u"},
      {"*~$Numpad0", 0x60, 0, 0, 0, "phw"},
      {"+Shift", 0x10, 0, 0, 0, ""},              // a neutral modifier key drops its own modifier
      {"<+LShift", 0xA0, 0, 0, 0, ""},            // a sided key drops only its own side
      {">+LShift", 0xA0, 0, 0, ModRShift, ""},
      {"+LAlt", 0xA4, 0, ModShift, 0, ""},
      {"vk41", 0x41, 0, 0, 0, "n"},
      {"vk0Dsc11C", 0x0D, 0x11C, 0, 0, "n"},
      {"sc01E", 0, 0x1E, 0, 0, ""},
      {"NumpadEnter", 0, 0x11C, 0, 0, ""},
      {"^Delete", 0, 0x153, ModControl, 0, ""},
      {"WheelDown", 0x9E, 0, 0, 0, "m"},
      {"WheelUp", 0x9F, 0, 0, 0, "m"},
      {"+LButton", 0x01, 0, ModShift, 0, "m"},
      {"Escape", 0x1B, 0, 0, 0, ""},
      {"F24", 0x87, 0, 0, 0, ""},
  };
  for (const Expect& c : cases) {
    HotkeyText h;
    String culprit;
    ASSERT_EQ(parse_hotkey_text(u16(c.text), layout, h, culprit), HotkeyTextError::None) << c.text;
    EXPECT_EQ(h.vk, c.vk) << c.text;
    EXPECT_EQ(h.sc, c.sc) << c.text;
    EXPECT_EQ(h.neutral, c.neutral) << c.text;
    EXPECT_EQ(h.sided, c.sided) << c.text;
    EXPECT_EQ(flags_of(h), c.flags) << c.text;
  }
}

TEST(HotkeyText, Combinations) {
  TableLayout layout = german();
  HotkeyText h;
  String culprit;
  ASSERT_EQ(parse_hotkey_text(u"~a & ~b up", layout, h, culprit), HotkeyTextError::None);
  EXPECT_TRUE(h.has_prefix);
  EXPECT_EQ(h.prefix_vk, 0x41);
  EXPECT_EQ(h.vk, 0x42);
  EXPECT_TRUE(h.prefix_pass_through);
  EXPECT_TRUE(h.pass_through);
  EXPECT_TRUE(h.key_up);
  EXPECT_EQ(h.prefix_name, u"a");
  EXPECT_EQ(h.key_name, u"b");

  // Modifier symbols are not read in a combination: "^a" is no key name.
  EXPECT_EQ(parse_hotkey_text(u"^a & b", layout, h, culprit), HotkeyTextError::InvalidKeyName);
  EXPECT_EQ(culprit, u"^a");

  ASSERT_EQ(parse_hotkey_text(u"LShift & WheelDown", layout, h, culprit), HotkeyTextError::None);
  EXPECT_TRUE(h.mouse);
  EXPECT_EQ(parse_hotkey_text(u"WheelDown & a", layout, h, culprit), HotkeyTextError::NotAPrefix);
  EXPECT_EQ(culprit, u"WheelDown");
}

TEST(HotkeyText, BadNames) {
  TableLayout layout = german();
  struct Bad {
    const char* text;
    HotkeyTextError error;
    const char* culprit;
  };
  const Bad cases[] = {
      {"^NoSuchKey", HotkeyTextError::InvalidKeyName, "NoSuchKey"},
      {"vk100", HotkeyTextError::InvalidKeyName, "vk100"},
      {"sc200", HotkeyTextError::InvalidKeyName, "sc200"},
      {"F25", HotkeyTextError::InvalidKeyName, "F25"},
      {"^\xC3\xA9", HotkeyTextError::UnknownCharacter, "\xC3\xA9"},  // no key of the layout types it
      {"a & Joy3", HotkeyTextError::InvalidKeyName, "Joy3"},
  };
  for (const Bad& c : cases) {
    HotkeyText h;
    String culprit;
    EXPECT_EQ(parse_hotkey_text(u16(c.text), layout, h, culprit), c.error) << c.text;
    EXPECT_EQ(culprit, u16(c.culprit)) << c.text;
  }
  HotkeyText h;
  String culprit;
  ASSERT_EQ(parse_hotkey_text(u"2Joy12", layout, h, culprit), HotkeyTextError::None);
  EXPECT_EQ(h.joystick, 2);
  EXPECT_EQ(h.joy_button, 12);
}

TEST(HotkeyText, WhenOnlyTheHookWillDo) {
  TableLayout layout = german();
  struct Case {
    const char* text;
    bool use_hook_directive;
    bool forced;
  };
  const Case cases[] = {
      {"^a", false, false},     {"^a", true, true},       {"$^a", false, true},      {"<^a", false, true},
      {"a Up", false, true},    {"a & b", false, true},   {"*a", false, true},       {"Shift", false, true},
      {"^Shift", false, false}, {"LShift", false, true},  {"CapsLock", false, true}, {"sc01E", false, true},
      {"F2", false, false},     {"Joy1", true, false},     {"Home", false, true},     {"~F2", false, true},
      {"Enter", false, true},   // only the hook tells it from NumpadEnter
      {"vk0D", false, false},   // written as a number: either key will do
  };
  for (const Case& c : cases) {
    HotkeyText h;
    String culprit;
    ASSERT_EQ(parse_hotkey_text(u16(c.text), layout, h, culprit), HotkeyTextError::None) << c.text;
    EXPECT_EQ(hotkey_forces_hook(h, c.use_hook_directive), c.forced) << c.text;
  }
}

TEST(KeyCodes, NamesAndFixedPairs) {
  EXPECT_EQ(vk_by_name(u"esc"), 0x1B);
  EXPECT_EQ(name_of_vk(0x1B), u"Escape");
  EXPECT_EQ(name_of_vk(0xA2), u"LControl");
  EXPECT_EQ(sc_by_name(u"pgdn"), 0x151);
  EXPECT_EQ(name_of_sc(0x153), u"Delete");
  EXPECT_EQ(fixed_sc_of_vk(0xA1), 0x136);  // right Shift: not extended, yet its own key
  EXPECT_EQ(fixed_vk_of_sc(0x136), 0xA1);
  EXPECT_EQ(fixed_vk_of_sc(0x047), 0x24);
  EXPECT_EQ(fixed_sc_of_vk(0x41), 0);
  EXPECT_EQ(sided_from_neutral(ModControl | ModWin), ModLCtrl | ModRCtrl | ModLWin | ModRWin);
  EXPECT_EQ(neutral_from_sided(ModRAlt | ModLShift), ModAlt | ModShift);
}

}  // namespace
}  // namespace orv
