#include "input/keyboard_layout.h"

#include "input/key_codes.h"
#include "platform/keyboard.h"

namespace orv {

namespace {

class SystemLayout final : public KeyboardLayout {
 public:
  bool key_for_char(char16_t c, uint8_t& vk, uint8_t& shift_state) const override {
    return platform::key_for_char(c, vk, shift_state);
  }
  uint16_t sc_of_vk(uint8_t vk) const override { return platform::sc_of_vk(vk); }
  uint8_t vk_of_sc(uint16_t sc) const override { return platform::vk_of_sc(sc); }
};

}  // namespace

const KeyboardLayout& system_layout() {
  static const SystemLayout layout;
  return layout;
}

uint16_t sc_of_vk(const KeyboardLayout& layout, uint8_t vk) {
  if (uint16_t sc = fixed_sc_of_vk(vk)) return sc;
  return layout.sc_of_vk(vk);
}

uint8_t vk_of_sc(const KeyboardLayout& layout, uint16_t sc) {
  if (uint8_t vk = fixed_vk_of_sc(sc)) return vk;
  return layout.vk_of_sc(sc);
}

bool vk_has_second_key(uint8_t vk) {
  // The navigation cluster and the numpad (with Num Lock off) give the same
  // virtual keys, and so do the two Enter keys: a property of the keyboard,
  // not of the character layout. (The layout's scan-code mapping cannot be
  // asked: Wine's answers a twin for every key.)
  switch (vk) {
    case 0x0D: case 0x21: case 0x22: case 0x23: case 0x24: case 0x25: case 0x26: case 0x27: case 0x28:
    case 0x2D: case 0x2E:
      return true;
    default:
      return false;
  }
}

}  // namespace orv
