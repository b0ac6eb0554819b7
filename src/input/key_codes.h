// Keys as the hook and the hotkey table know them: virtual-key codes (8
// bits), scan codes (9 bits: 0x100 marks an extended key), the names
// scripts write for them, and the two forms of modifier sets.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace orv {

// Neutral modifiers, as the system's hotkey registration takes them.
enum NeutralModifier : uint32_t { ModAlt = 1, ModControl = 2, ModShift = 4, ModWin = 8 };

// Left/right modifiers, one bit per physical key.
enum SidedModifier : uint8_t {
  ModLCtrl = 0x01, ModRCtrl = 0x02, ModLAlt = 0x04, ModRAlt = 0x08,
  ModLShift = 0x10, ModRShift = 0x20, ModLWin = 0x40, ModRWin = 0x80,
};

namespace vk {
inline constexpr uint8_t LButton = 0x01, RButton = 0x02, MButton = 0x04, XButton1 = 0x05, XButton2 = 0x06,
                         Back = 0x08, Tab = 0x09, Enter = 0x0D, Shift = 0x10, Control = 0x11, Alt = 0x12, CapsLock = 0x14,
                         Escape = 0x1B, PageUp = 0x21, Down = 0x28, Delete = 0x2E, LWin = 0x5B, RWin = 0x5C, AppsKey = 0x5D, NumLock = 0x90,
                         ScrollLock = 0x91, LShift = 0xA0, RShift = 0xA1, LControl = 0xA2, RControl = 0xA3,
                         LAlt = 0xA4, RAlt = 0xA5, Packet = 0xE7;
// The wheel: codes of this program's own, which the mouse hook produces.
inline constexpr uint8_t WheelLeft = 0x9C, WheelRight = 0x9D, WheelDown = 0x9E, WheelUp = 0x9F;
}  // namespace vk

// The virtual key a name in the program's table stands for (Numpad0, F12,
// LButton, Media_Next ...); 0 when the name is not in it.
uint8_t vk_by_name(StringView name);
// The scan code a name stands for, for keys that share their virtual key
// with a numpad key (NumpadEnter, Delete, Up, PgDn ...); 0 when none.
uint16_t sc_by_name(StringView name);
// "VK" or "SC" followed by hexadecimal digits: the number; false when the
// text is not of that form or the number is out of range (vk 1-255,
// sc 1-0x1FF).
bool vk_by_number(StringView text, uint8_t& vk);
bool sc_by_number(StringView text, uint16_t& sc);

// The name of a key for reports (KeyHistory, ListHotkeys): the table's
// first name for it, else empty.
StringView name_of_vk(uint8_t vk);
StringView name_of_sc(uint16_t sc);

// The fixed mappings used in place of the keyboard layout's for the keys
// whose layout mapping is unreliable (numpad, sided modifiers, the Windows
// keys); 0 when the key has none.
uint16_t fixed_sc_of_vk(uint8_t vk);
uint8_t fixed_vk_of_sc(uint16_t sc);

inline bool is_mouse_vk(uint8_t v) {
  return (v >= vk::LButton && v <= vk::XButton2 && v != 0x03) || (v >= vk::WheelLeft && v <= vk::WheelUp);
}
inline bool is_wheel_vk(uint8_t v) { return v >= vk::WheelLeft && v <= vk::WheelUp; }

// The left/right bit of a modifier key (LShift, RAlt ...), or 0. Neutral
// keys (Shift, Control, Alt) have none: the scan code tells the side.
uint8_t sided_bit_of_vk(uint8_t vk);
// The neutral modifier a key is (Shift, LShift, RShift: ModShift ...), or 0.
uint32_t neutral_of_vk(uint8_t vk);
// Both sides of each neutral modifier in `neutral`.
uint8_t sided_from_neutral(uint32_t neutral);
// The neutral set a left/right set needs.
uint32_t neutral_from_sided(uint8_t sided);

}  // namespace orv
