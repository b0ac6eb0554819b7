// The keyboard layout of the system: characters to keys, and virtual keys
// to scan codes and back. The headless host answers for a US layout.
#pragma once

#include <cstdint>

namespace orv::platform {

// The key typing `c` in the foreground window's layout and its shift state
// (1 Shift, 2 Control, 4 Alt); false when the layout has no key for it.
bool key_for_char(char16_t c, uint8_t& vk, uint8_t& shift_state);
// Scan codes carry 0x100 for extended keys; 0 means none.
uint16_t sc_of_vk(uint8_t vk);
uint8_t vk_of_sc(uint16_t sc);

// The system's own view of a key, for when no hook of the program watches
// it: held now, and (for the lock keys) toggled on.
bool key_held_now(uint8_t vk);
bool key_toggled(uint8_t vk);

}  // namespace orv::platform
