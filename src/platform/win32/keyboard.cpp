#include "platform/keyboard.h"

#include <windows.h>

namespace orv::platform {

namespace {

// Keys mean what they mean in the window the user types into.
HKL foreground_layout() {
  HWND window = GetForegroundWindow();
  DWORD thread = window ? GetWindowThreadProcessId(window, nullptr) : 0;
  return GetKeyboardLayout(thread);
}

}  // namespace

bool key_for_char(char16_t c, uint8_t& vk, uint8_t& shift_state) {
  SHORT r = VkKeyScanExW(wchar_t(c), foreground_layout());
  if (r == -1 || (r & 0xFF) == 0xFF) return false;
  vk = uint8_t(r & 0xFF);
  shift_state = uint8_t((r >> 8) & 0x07);
  return true;
}

uint16_t sc_of_vk(uint8_t vk) {
  UINT sc = MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC, foreground_layout());
  return uint16_t(sc & 0x1FF);
}

uint8_t vk_of_sc(uint16_t sc) {
  UINT code = (sc & 0x100) ? (0xE000 | (sc & 0xFF)) : sc;
  return uint8_t(MapVirtualKeyExW(code, MAPVK_VSC_TO_VK_EX, foreground_layout()) & 0xFF);
}

bool key_held_now(uint8_t vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; }

bool key_toggled(uint8_t vk) { return (GetKeyState(vk) & 1) != 0; }

}  // namespace orv::platform
