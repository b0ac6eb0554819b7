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

bool vk_has_second_key(const KeyboardLayout& layout, uint8_t vk) {
  uint16_t sc = layout.sc_of_vk(vk);
  if (!sc) return false;
  // The twin differs only in the extended bit: Enter 0x1C and NumpadEnter
  // 0x11C, Home 0x147 and the numpad's 0x47 without Num Lock.
  return layout.vk_of_sc(sc ^ 0x100) == vk;
}

}  // namespace orv
