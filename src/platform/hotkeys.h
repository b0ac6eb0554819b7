// The system's own hotkeys: registered for MainWindow, reported to it as
// WM_HOTKEY with the id. The headless host registers none, so every hotkey
// there is the hook's.
#pragma once

#include <cstdint>

namespace orv::platform {

// `modifiers`: 1 Alt, 2 Control, 4 Shift, 8 Win. False when the system
// refuses (another program holds the combination).
bool register_hotkey(uint16_t id, uint32_t modifiers, uint8_t vk);
void unregister_hotkey(uint16_t id);

}  // namespace orv::platform
