// Key names as the script reader needs them: whether a line's text before
// "::" is a hotkey, and the keys of a remapping.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace orv {

// The virtual-key code of a key name: a named key, a character of the
// layout (`*is_char` set), "vkNN", "scNNN" or "vkNNscNNN". Returns false
// when the text names no key.
bool lookup_key_name(StringView name, uint16_t& vk, bool* is_char = nullptr);
bool is_mouse_key(uint16_t vk);

// Hotkey syntax: modifier symbols (# ! ^ + < > * ~ $) then a key, or
// "Key1 & Key2", optionally followed by " Up".
bool is_valid_hotkey(StringView text);

}  // namespace orv
