#include "input/joystick_hotkeys.h"

#include "input/hotkey_table.h"

namespace orv {

bool JoystickPoller::arm(const HotkeyTable& table) {
  watches_.clear();
  watched_ = 0;
  for (size_t i = 0; i < table.size(); ++i) {
    const HotkeyEntry& e = table.at(uint16_t(i));
    if (e.type != HotkeyType::Joystick || !e.enabled || !e.key.joy_button) continue;
    uint8_t joystick = uint8_t(e.key.joystick - 1);
    watches_.push_back({joystick, uint8_t(e.key.joy_button - 1), e.id});
    watched_ = uint16_t(watched_ | (1u << joystick));
  }
  return !watches_.empty();
}

void JoystickPoller::poll(uint32_t (*buttons)(uint8_t), std::vector<uint16_t>& fired) {
  uint32_t pressed[16] = {};
  for (uint8_t j = 0; j < 16; ++j) {
    if (!(watched_ & (1u << j))) continue;
    uint32_t now = buttons(j);
    if (seen_ & (1u << j)) pressed[j] = now & ~previous_[j];
    previous_[j] = now;
    seen_ = uint16_t(seen_ | (1u << j));
  }
  for (const Watch& w : watches_)
    if (pressed[w.joystick] & (1u << w.button)) fired.push_back(w.id);
}

}  // namespace orv
