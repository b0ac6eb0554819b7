#include "input/hook_tables.h"

#include "input/key_codes.h"

namespace orv {

namespace {

// The two bits of each modifier, and the neutral modifier they make.
struct ModifierPair {
  uint8_t bits;
  uint32_t neutral;
};
constexpr ModifierPair kPairs[] = {
    {ModLCtrl | ModRCtrl, ModControl}, {ModLAlt | ModRAlt, ModAlt}, {ModLShift | ModRShift, ModShift}, {ModLWin | ModRWin, ModWin}};

bool is_live(const HotkeyBinding& b, bool suspended) { return b.enabled && (!suspended || exempt_from_suspend(b)); }

// Writes `id` into every slot of `column` (a key's column of a lookup
// table) whose modifier state the hotkey accepts; `overwrite` says whether
// it displaces an id already there.
template <class Fill>
void for_each_state(const HotkeyText& key, Fill fill) {
  for (int state = 0; state < 256; ++state)
    if (modifiers_match(uint8_t(state), key.neutral, key.sided, key.wildcard)) fill(uint8_t(state));
}

}  // namespace

bool modifiers_match(uint8_t state, uint32_t neutral, uint8_t sided, bool wildcard) {
  if ((state & sided) != sided) return false;
  for (const ModifierPair& p : kPairs) {
    uint8_t held = state & p.bits;
    if (neutral & p.neutral) {
      if (!held) return false;
    } else if (!wildcard && held != (sided & p.bits)) {
      return false;
    }
  }
  return true;
}

std::unique_ptr<HookTables> build_hook_tables(const HotkeyTable& table, bool suspended) {
  auto t = std::make_unique<HookTables>();
  t->by_vk.assign(256 * 256, kNoHotkey);
  t->by_sc.assign(256 * 512, kNoHotkey);
  t->key_up_of.assign(table.size(), kNoHotkey);
  t->hotkeys.resize(table.size());
  for (int v = 0; v < 256; ++v) t->vk_keys[v].sided_bit = sided_bit_of_vk(uint8_t(v));
  for (int s = 0; s < 512; ++s) t->sc_keys[s].sided_bit = sided_bit_of_vk(fixed_vk_of_sc(uint16_t(s)));

  auto record = [&](uint8_t vk, uint16_t sc) -> HookKey& { return sc ? t->sc_keys[sc & 0x1FF] : t->vk_keys[vk]; };
  auto slot = [&](uint8_t state, const HotkeyText& k) -> uint16_t& {
    return k.sc ? t->by_sc[size_t(state) * 512 + (k.sc & 0x1FF)] : t->by_vk[size_t(state) * 256 + k.vk];
  };

  // Which hotkeys the hook serves, and in which order they claim slots:
  // wildcards first, so that an exact hotkey of the same key wins where
  // both would fire; key-up hotkeys after the presses they follow.
  std::vector<uint16_t> order[4];  // down wildcard, down exact, up wildcard, up exact
  for (size_t i = 0; i < table.size(); ++i) {
    const HotkeyEntry& e = table.at(uint16_t(i));
    HookHotkey& h = t->hotkeys[i];
    h.action = e.action;
    h.pass_through = e.key.pass_through;
    h.key_up = e.key.key_up;
    h.wildcard = e.key.wildcard;
    h.enabled = e.enabled;
    h.vk = e.key.vk;
    h.sc = e.key.sc;
    bool any_live = false;
    for (const HotkeyBinding& b : e.bindings) {
      HookVariant v;
      v.criterion = b.criterion;
      v.input_level = b.input_level;
      v.live = is_live(b, suspended);
      any_live |= v.live;
      h.variants.push_back(std::move(v));
    }
    if (!e.is_hook_type() || !e.enabled || !any_live) continue;
    if (e.type != HotkeyType::MouseHook) t->uses_keyboard = true;
    if (e.type != HotkeyType::KeyboardHook) t->uses_mouse = true;
    record(e.key.vk, e.key.sc).has_hotkeys = true;
    if (e.key.has_prefix) {
      HookKey& prefix = record(e.key.prefix_vk, e.key.prefix_sc);
      prefix.is_prefix = true;
      prefix.prefix_pass_through |= e.key.prefix_pass_through;
      PrefixCombo combo;
      combo.prefix_vk = e.key.prefix_vk;
      combo.prefix_sc = e.key.prefix_sc;
      combo.id = uint16_t(e.id | (e.key.key_up ? kKeyUpFlag : 0));
      record(e.key.vk, e.key.sc).combos.push_back(combo);
      continue;
    }
    order[(e.key.key_up ? 2 : 0) + (e.key.wildcard ? 0 : 1)].push_back(e.id);
  }
  for (int pass = 0; pass < 2; ++pass)
    for (uint16_t id : order[pass])
      for_each_state(table.at(id).key, [&](uint8_t state) { slot(state, table.at(id).key) = id; });
  for (int pass = 2; pass < 4; ++pass) {
    for (uint16_t id : order[pass]) {
      const HotkeyText& k = table.at(id).key;
      for_each_state(k, [&](uint8_t state) {
        uint16_t& s = slot(state, k);
        if (s == kNoHotkey || (s & kKeyUpFlag)) s = uint16_t(id | kKeyUpFlag);
        else if (t->key_up_of[s] == kNoHotkey || pass == 3) t->key_up_of[s] = id;
      });
    }
  }
  return t;
}

}  // namespace orv
