#include "platform/hotkeys.h"

#include <windows.h>

#include "platform/platform.h"

namespace orv::platform {

bool register_hotkey(uint16_t id, uint32_t modifiers, uint8_t vk) {
  return RegisterHotKey(reinterpret_cast<HWND>(main_window()), id, modifiers, vk) != 0;
}

void unregister_hotkey(uint16_t id) { UnregisterHotKey(reinterpret_cast<HWND>(main_window()), id); }

}  // namespace orv::platform
