#include "platform/joystick.h"

namespace orv::platform {

// The headless host has no joysticks.
uint32_t joystick_buttons(uint8_t) { return 0; }

}  // namespace orv::platform
