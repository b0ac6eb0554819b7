// The keyboard layout of the system: characters to keys, and virtual keys
// to scan codes and back. The headless host answers for a US layout.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv::platform {

// The key typing `c` in the foreground window's layout and its shift state
// (1 Shift, 2 Control, 4 Alt); false when the layout has no key for it.
bool key_for_char(char16_t c, uint8_t& vk, uint8_t& shift_state);
// The characters the key `vk` (scan code `sc`) types in the foreground
// window's layout with the shift state `shift_state` held and Caps Lock as
// it is: at most 4, none for a key that types nothing. Asking must not
// disturb the user's typing: a dead key pressed before stays pending for
// the window, and is composed here with the key after it.
size_t key_chars(uint8_t vk, uint16_t sc, uint8_t shift_state, char16_t* out);
// Scan codes carry 0x100 for extended keys; 0 means none.
uint16_t sc_of_vk(uint8_t vk);
uint8_t vk_of_sc(uint16_t sc);

// The system's own view of a key, for when no hook of the program watches
// it: held now, and (for the lock keys) toggled on.
bool key_held_now(uint8_t vk);
bool key_toggled(uint8_t vk);

}  // namespace orv::platform
