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

namespace {

// The combining mark of the accent a dead key leaves pending, for putting
// the two together; 0 when the accent has none.
wchar_t combining_mark(wchar_t accent) {
  struct Pair {
    wchar_t accent, mark;
  };
  static const Pair kMarks[] = {
      {L'`', 0x0300},    {0x00B4, 0x0301}, {L'\'', 0x0301}, {L'^', 0x0302},    {L'~', 0x0303},
      {0x00AF, 0x0304},  {0x02D8, 0x0306}, {0x02D9, 0x0307}, {0x00A8, 0x0308}, {L'"', 0x0308},
      {0x02DA, 0x030A},  {0x02DD, 0x030B}, {0x02C7, 0x030C}, {0x00B8, 0x0327}, {0x02DB, 0x0328},
  };
  for (const Pair& p : kMarks)
    if (p.accent == accent) return p.mark;
  return 0;
}

// The accent of the dead key pressed last, as the hook thread saw it.
thread_local wchar_t t_pending_accent = 0;

}  // namespace

size_t key_chars(uint8_t vk, uint16_t sc, uint8_t shift_state, char16_t* out) {
  BYTE state[256] = {};
  if (shift_state & 1) state[VK_SHIFT] = state[VK_LSHIFT] = 0x80;
  if (shift_state & 2) state[VK_CONTROL] = state[VK_LCONTROL] = 0x80;
  if (shift_state & 4) state[VK_MENU] = state[VK_RMENU] = 0x80;
  state[VK_CAPITAL] = BYTE(GetKeyState(VK_CAPITAL) & 1);
  wchar_t typed[8];
  // Flag 4: the system's own dead-key state is left alone, so the window
  // still gets the accent the user pressed before this key.
  int n = ToUnicodeEx(vk, sc & 0xFF, state, typed, 8, 4, foreground_layout());
  if (n < 0) {
    t_pending_accent = typed[0];
    return 0;
  }
  wchar_t accent = t_pending_accent;
  t_pending_accent = 0;
  if (n == 0) return 0;
  if (n > 4) n = 4;
  if (accent && n == 1) {
    if (typed[0] == L' ') {
      out[0] = char16_t(accent);
      return 1;
    }
    wchar_t pair[2] = {typed[0], combining_mark(accent)}, composed[4] = {};
    if (pair[1] && FoldStringW(MAP_PRECOMPOSED, pair, 2, composed, 4) == 1) {
      out[0] = char16_t(composed[0]);
      return 1;
    }
    // No such letter: the layout types the accent and then the key.
    out[0] = char16_t(accent);
    out[1] = char16_t(typed[0]);
    return 2;
  }
  for (int i = 0; i < n; ++i) out[i] = char16_t(typed[i]);
  return size_t(n);
}

bool key_held_now(uint8_t vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; }

bool key_toggled(uint8_t vk) { return (GetKeyState(vk) & 1) != 0; }

}  // namespace orv::platform
