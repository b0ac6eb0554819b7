// Joystick buttons as hotkeys: the system reports no such events, so the
// buttons of the joysticks that have hotkeys are polled, and a button that
// went down since the last poll fires its hotkey.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace orv {

class HotkeyTable;

class JoystickPoller {
 public:
  // Watches the joystick buttons of the table's hotkeys that are turned
  // on; false when there are none (nothing to poll).
  bool arm(const HotkeyTable& table);

  // Reads every watched joystick through `buttons` (bit 0 = button 1) and
  // appends the ids of the hotkeys whose button went down since the last
  // poll. A button already down at the first look fires nothing.
  void poll(uint32_t (*buttons)(uint8_t index), std::vector<uint16_t>& fired);

 private:
  struct Watch {
    uint8_t joystick;  // 0-15
    uint8_t button;    // 0-31
    uint16_t id;
  };
  std::vector<Watch> watches_;
  uint16_t watched_ = 0;  // a bit per joystick
  std::array<uint32_t, 16> previous_{};
  uint16_t seen_ = 0;     // the joysticks read at least once
};

}  // namespace orv
