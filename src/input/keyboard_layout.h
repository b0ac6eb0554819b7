// What the keyboard layout says about keys and characters. The program
// asks through this interface so that layouts other than the one the
// system offers can be tried in tests.
#pragma once

#include <cstdint>

namespace orv {

class KeyboardLayout {
 public:
  virtual ~KeyboardLayout() = default;
  // The key that types `c` and the shift state it needs (1 Shift, 2
  // Control, 4 Alt; Control and Alt together are AltGr); false when no key
  // of the layout types it.
  virtual bool key_for_char(char16_t c, uint8_t& vk, uint8_t& shift_state) const = 0;
  // The layout's scan code of a virtual key (0x100 set for extended keys),
  // and the virtual key of a scan code; 0 when there is none.
  virtual uint16_t sc_of_vk(uint8_t vk) const = 0;
  virtual uint8_t vk_of_sc(uint16_t sc) const = 0;
};

// The layout of the system (of the foreground window on Windows).
const KeyboardLayout& system_layout();

// Scan codes with the program's fixed pairs taking precedence over the
// layout's (numpad keys, sided modifiers, the Windows keys).
uint16_t sc_of_vk(const KeyboardLayout& layout, uint8_t vk);
uint8_t vk_of_sc(const KeyboardLayout& layout, uint16_t sc);

// Whether a second physical key produces the same virtual key (Enter and
// NumpadEnter, Home and NumpadHome ...): telling them apart needs the hook.
bool vk_has_second_key(uint8_t vk);

}  // namespace orv
