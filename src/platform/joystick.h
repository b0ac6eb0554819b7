// Joysticks, polled: which buttons of one are down now. Joystick hotkeys
// are not events the system sends; the message pump asks every tick.
#pragma once

#include <cstdint>

namespace orv::platform {

// The buttons (bit 0 = button 1, up to 32) of joystick `index` (0-15) held
// down now; 0 when it is not connected.
uint32_t joystick_buttons(uint8_t index);

}  // namespace orv::platform
