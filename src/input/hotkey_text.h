// The text of a hotkey ("^!a", "<^>!F1 Up", "~LButton & WheelUp") read
// into the key, its modifiers and its flags.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace orv {

class KeyboardLayout;

struct HotkeyText {
  uint8_t vk = 0;
  uint16_t sc = 0;            // set for keys named by scan code
  uint32_t neutral = 0;       // modifiers either side of which will do
  uint8_t sided = 0;          // modifiers that must be the named side
  uint8_t prefix_vk = 0;      // the first key of "a & b"
  uint16_t prefix_sc = 0;
  bool has_prefix = false;
  bool key_up = false;            // " Up": fires on release
  bool pass_through = false;      // "~": the key still reaches the window
  bool prefix_pass_through = false;
  bool use_hook = false;          // "$"
  bool wildcard = false;          // "*": other modifiers may be down too
  bool vk_by_number = false;      // written as VK and digits
  bool mouse = false;             // the key or the prefix is a mouse button or the wheel
  uint8_t joystick = 0;           // for "Joy" buttons: the joystick (1-16) ...
  uint8_t joy_button = 0;         // ... and the button (1-32); 0: no joystick button
  // The names as written (at most 31 characters each), for finding a
  // hotkey again however its text is spelled.
  String prefix_name, key_name;
};

enum class HotkeyTextError : uint8_t {
  None,
  InvalidKeyName,    // `culprit` is no key name
  NotAPrefix,        // `culprit` (a wheel) cannot be a prefix key
  UnknownCharacter,  // a single character no key types: the line may be something else
};

// Hotkey texts are cut to this many characters first.
inline constexpr size_t kMaxHotkeyText = 255;

// A key name alone (no modifier symbols): a character of the layout, VK
// or SC and digits, or a name of the tables. False when it names no key.
bool key_from_name(StringView name, const KeyboardLayout& layout, uint8_t& vk, uint16_t& sc);

// The signed decimal number at `i` in an options text ("P10", "K-1",
// "I5"), `i` moved past it; no digits read as 0.
int64_t read_option_number(StringView text, size_t& i);

HotkeyTextError parse_hotkey_text(StringView text, const KeyboardLayout& layout, HotkeyText& out, String& culprit);

// Whether the hotkey needs the keyboard hook whatever else holds (sided
// modifiers, a key-up, prefix or pass-through hotkey, a wildcard, a key
// that is itself a modifier, a key a second physical key shares ...); `use_hook_directive`
// is #UseHook in force at its definition.
bool hotkey_forces_hook(const HotkeyText& h, bool use_hook_directive);

}  // namespace orv
