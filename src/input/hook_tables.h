// What the hook looks keys up in: a snapshot of the hotkey table, built on
// the main thread whenever the hotkeys change and handed to the hook thread
// whole. The hook never sees a table that is being changed; the old
// snapshot is freed only once the hook has let go of it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/text.h"
#include "input/hotkey_table.h"

namespace orv {

// Marks an id in the lookup tables as a hotkey that fires on release.
inline constexpr uint16_t kKeyUpFlag = 0x4000;

// One prefix combination a key completes: "prefix & key".
struct PrefixCombo {
  uint8_t prefix_vk = 0;
  uint16_t prefix_sc = 0;
  uint16_t id = kNoHotkey;
};

// What the hook knows of one key, by virtual key or by scan code.
struct HookKey {
  uint8_t sided_bit = 0;            // the modifier the key is, if any
  bool is_prefix = false;           // the first key of some "a & b"
  bool prefix_pass_through = false; // "~a & b": the prefix still types
  bool has_hotkeys = false;
  std::vector<PrefixCombo> combos;  // the combinations this key completes
};

// A variant as the hook judges it: the criterion it runs under and the
// input level the script's own events must exceed to fire it.
struct HookVariant {
  HotkeyCriterion criterion;
  uint8_t input_level = 0;
  bool live = true;  // enabled, and exempt while suspended
};

struct HookHotkey {
  uint16_t action = 0;
  bool pass_through = false;
  bool key_up = false;
  bool wildcard = false;
  bool enabled = true;
  uint8_t vk = 0;
  uint16_t sc = 0;
  std::vector<HookVariant> variants;
};

struct HookTables {
  std::array<HookKey, 256> vk_keys;
  std::array<HookKey, 512> sc_keys;
  // Hotkey ids by (left/right modifier state x 256 + vk) and by
  // (state x 512 + sc); kNoHotkey where none. kKeyUpFlag marks a hotkey of
  // the release.
  std::vector<uint16_t> by_vk, by_sc;
  // For each hotkey id, the key-up hotkey of the same key and modifiers.
  std::vector<uint16_t> key_up_of;
  std::vector<HookHotkey> hotkeys;
  bool uses_keyboard = false, uses_mouse = false;

  uint16_t lookup_vk(uint8_t modifiers, uint8_t vk) const { return by_vk[size_t(modifiers) * 256 + vk]; }
  uint16_t lookup_sc(uint8_t modifiers, uint16_t sc) const { return by_sc[size_t(modifiers) * 512 + (sc & 0x1FF)]; }
};

// The snapshot of the hook hotkeys of `table` as they are now.
std::unique_ptr<HookTables> build_hook_tables(const HotkeyTable& table, bool suspended);

// Whether a left/right modifier state satisfies a hotkey's modifiers:
// every neutral one on either side, every sided one exactly, and (unless
// `wildcard`) nothing else held.
bool modifiers_match(uint8_t state, uint32_t neutral, uint8_t sided, bool wildcard);

}  // namespace orv
