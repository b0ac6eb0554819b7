#include "platform/hotkeys.h"

namespace orv::platform {

// No system to register with: the table hands every hotkey to the hook.
bool register_hotkey(uint16_t, uint32_t, uint8_t) { return false; }

void unregister_hotkey(uint16_t) {}

}  // namespace orv::platform
