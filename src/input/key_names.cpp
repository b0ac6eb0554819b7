#include "input/key_names.h"

#include "input/hotkey_text.h"
#include "input/key_codes.h"
#include "input/keyboard_layout.h"

namespace orv {

bool lookup_key_name(StringView name, uint16_t& vk, bool* is_char) {
  if (is_char) *is_char = name.size() == 1;
  const KeyboardLayout& layout = system_layout();
  uint8_t v = 0;
  uint16_t sc = 0;
  if (!key_from_name(name, layout, v, sc)) return false;
  vk = v ? v : vk_of_sc(layout, sc);
  return true;
}

bool is_mouse_key(uint16_t vk) { return vk <= 0xFF && is_mouse_vk(uint8_t(vk)); }

bool is_valid_hotkey(StringView text) {
  if (text.empty()) return false;
  HotkeyText parsed;
  String culprit;
  // Names that are keys make a hotkey line even when they cannot be
  // combined so: the hotkey's own error then says why.
  HotkeyTextError e = parse_hotkey_text(text, system_layout(), parsed, culprit);
  return e == HotkeyTextError::None || e == HotkeyTextError::NotAPrefix;
}

}  // namespace orv
