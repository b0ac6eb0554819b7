// Key names as scripts write them, with their virtual-key codes. The table is
// the program's own (not the keyboard layout's), so that names mean the same
// on every system.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace orv {

// The virtual-key code of a key name: a named key, a single character
// (letters and digits map directly; other characters need the layout and
// give 0 here with `*is_char` set), "vkNN", "scNNN" or "vkNNscNNN".
// Returns false when the text names no key.
bool lookup_key_name(StringView name, uint16_t& vk, bool* is_char = nullptr);
bool is_mouse_key(uint16_t vk);

// Hotkey syntax: modifier symbols (# ! ^ + < > * ~ $) then a key, or
// "Key1 & Key2", optionally followed by " Up".
bool is_valid_hotkey(StringView text);

}  // namespace orv
