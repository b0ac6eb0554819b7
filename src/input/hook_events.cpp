#include "input/hook_events.h"

#include "input/key_codes.h"

namespace orv {

namespace {

constexpr uint8_t kCtrlBits = ModLCtrl | ModRCtrl, kAltBits = ModLAlt | ModRAlt, kShiftBits = ModLShift | ModRShift,
                  kWinBits = ModLWin | ModRWin;

// The key the system leaves neutral, made left or right by its scan code.
// Right Shift comes as 0x36 without the extended flag.
uint8_t sided_vk(uint8_t v, uint16_t sc) {
  switch (v) {
    case vk::Shift: return (sc & 0xFF) == 0x36 ? vk::RShift : vk::LShift;
    case vk::Control: return sc == 0x11D ? vk::RControl : vk::LControl;
    case vk::Alt: return sc == 0x138 ? vk::RAlt : vk::LAlt;
    default: return v;
  }
}

// Whether the held prefix is the one a combination names: Shift, Control
// and Alt named neutrally accept either side.
bool prefix_matches(const PrefixCombo& c, uint8_t held_vk, uint16_t held_sc) {
  if (c.prefix_sc) return c.prefix_sc == held_sc;
  if (c.prefix_vk == held_vk) return true;
  uint32_t neutral = neutral_of_vk(c.prefix_vk);
  return !sided_bit_of_vk(c.prefix_vk) && neutral && neutral == neutral_of_vk(held_vk);
}

// The numpad table's entry for a non-extended numpad scan code (Numpad0
// to Numpad9, then NumpadDot), or -1.
int numpad_index(uint16_t sc) {
  switch (sc) {
    case 0x52: return 0;
    case 0x4F: return 1;
    case 0x50: return 2;
    case 0x51: return 3;
    case 0x4B: return 4;
    case 0x4C: return 5;
    case 0x4D: return 6;
    case 0x47: return 7;
    case 0x48: return 8;
    case 0x49: return 9;
    case 0x53: return 10;
    default: return -1;
  }
}

}  // namespace

const HookKey& HookProcessor::record(uint8_t v, uint16_t sc) const {
  const HookKey& by_sc = tables_->sc_keys[sc & 0x1FF];
  return (sc && (by_sc.has_hotkeys || by_sc.is_prefix)) ? by_sc : tables_->vk_keys[v];
}

void HookProcessor::reset() {
  // The history stays: it is the user's record of what happened.
  keys_ = {};
  numpad_ = {};
  logical_mods_ = physical_mods_ = 0;
  prefix_vk_ = 0;
  prefix_sc_ = 0;
  prefix_used_ = prefix_suppressed_ = alt_pressed_for_tab_ = alt_tab_menu_shown_ = false;
}

bool HookProcessor::choose(uint16_t id, bool own, int level, HookActions& actions, uint16_t& variant) const {
  const HookHotkey& h = tables_->hotkeys[id];
  int plain = -1;
  for (size_t i = 0; i < h.variants.size(); ++i) {
    const HookVariant& v = h.variants[i];
    // The script's own events fire only variants of a lower input level.
    if (!v.live || (own && v.input_level >= level)) continue;
    if (v.criterion.kind == CriterionKind::None) {
      if (plain < 0) plain = int(i);
      continue;
    }
    bool expression = v.criterion.kind == CriterionKind::IfExpression;
    if (expression ? actions.if_expression(v.criterion.if_expression, id) : actions.window_criterion(v.criterion)) {
      variant = expression ? uint16_t(i + 1) : 0;
      return true;
    }
  }
  variant = 0;
  return plain >= 0;
}

bool HookProcessor::fire(uint16_t id, uint8_t key_vk, bool own, int level, int notches, HookActions& actions) {
  const HookHotkey& h = tables_->hotkeys[id];
  if (!h.enabled) return false;
  if (h.action) {
    if (own) return false;
    alt_tab(h.action, key_vk);
    fired_ = true;
    return true;
  }
  uint16_t variant = 0;
  if (!choose(id, own, level, actions, variant)) {
    unsatisfied_ = true;
    return false;
  }
  actions.post_hotkey(id, variant, notches);
  fired_ = true;
  return true;
}

bool HookProcessor::collect(const KeyEvent& e, uint8_t v, bool own, int level, HookActions& actions) {
  // The program's own keys of level 0 never reach hotstrings: not even
  // translated (the replacement itself comes through here).
  if (!hotstrings_ || !hotstrings_->active() || is_wheel_vk(v) || (own && level == 0)) return false;
  if (sided_bit_of_vk(v) || v == vk::Shift || v == vk::Control || v == vk::Alt) return false;
  if (is_mouse_vk(v)) {
    hotstrings_->on_click();
    return false;
  }
  // Alt or Win with a key gives a command, not a character; AltGr (Control
  // with Alt) types.
  uint8_t mods = logical_mods_;
  bool command = (mods & kWinBits) || ((mods & kAltBits) && !(mods & kCtrlBits));
  char16_t chars[4];
  size_t n = command ? 0 : actions.key_chars(e.vk, e.sc, mods, chars);
  HotstringMatch match;
  if (!hotstrings_->on_key(v, StringView(chars, n > 4 ? 4 : n), e.window, own, level, actions, match)) return false;
  actions.post_hotstring(match);
  return true;
}

void HookProcessor::set_history_size(size_t size) {
  history_.assign(size, HistoryEntry());
  history_next_ = 0;
  history_full_ = false;
}

std::vector<HistoryEntry> HookProcessor::history() const {
  std::vector<HistoryEntry> out;
  if (history_full_) out.insert(out.end(), history_.begin() + long(history_next_), history_.end());
  out.insert(out.end(), history_.begin(), history_.begin() + long(history_next_));
  return out;
}

void HookProcessor::record_history(const KeyEvent& e, uint8_t v, char16_t type) {
  if (history_.empty()) return;
  HistoryEntry& h = history_[history_next_];
  h.vk = v;
  h.sc = e.sc;
  h.type = type;
  h.key_up = e.key_up;
  // Events of different sources can arrive with time stamps a little out
  // of order: such an event follows its predecessor after no time at all.
  int32_t since = last_time_ ? int32_t(e.time_ms - last_time_) : 0;
  h.elapsed = since > 0 ? double(since) / 1000.0 : 0;
  h.window = e.window;
  if (since >= 0) last_time_ = e.time_ms;
  if (++history_next_ == history_.size()) {
    history_next_ = 0;
    history_full_ = true;
  }
}

void HookProcessor::queue_send(uint8_t vk, uint16_t sc, bool up, uintptr_t tag) {
  if (pending_count_ < pending_.size()) pending_[pending_count_++] = PendingSend{vk, sc, up, tag};
}

void HookProcessor::flush_sends(HookActions& actions) {
  std::array<PendingSend, 8> sends = pending_;
  size_t count = pending_count_;
  pending_count_ = 0;
  for (size_t i = 0; i < count; ++i) actions.send_key(sends[i].vk, sends[i].sc, sends[i].up, sends[i].tag);
}

void HookProcessor::dismiss_alt_tab_menu() {
  using namespace event_tag;
  for (uint8_t alt : {vk::LAlt, vk::RAlt})
    if (keys_[alt].logical) queue_send(alt, alt == vk::LAlt ? 0x38 : 0x138, true, kLevel0);
  alt_tab_menu_shown_ = false;
  alt_pressed_for_tab_ = false;
}

void HookProcessor::alt_tab(uint16_t action, uint8_t key_vk) {
  using namespace event_tag;
  const bool key_is_alt = key_vk == vk::LAlt || key_vk == vk::RAlt;
  const bool key_is_shift = key_vk == vk::LShift || key_vk == vk::RShift;
  auto press_alt = [&] {
    if (!(logical_mods_ & kAltBits) && !key_is_alt) {
      queue_send(vk::LAlt, 0x38, false, kLevel0);
      alt_pressed_for_tab_ = true;
    }
  };
  auto tab = [&] {
    queue_send(vk::Tab, 0x0F, false, kLevel0);
    queue_send(vk::Tab, 0x0F, true, kLevel0);
  };
  switch (action) {
    case alt_tab::AltTab:
    case alt_tab::ShiftAltTab: {
      // Held Shift and Control would turn Alt-Tab into something else.
      if (action == alt_tab::AltTab) {
        for (uint8_t m : {vk::LShift, vk::RShift, vk::LControl, vk::RControl})
          if (keys_[m].logical && m != key_vk) queue_send(m, 0, true, kLevel0);
      }
      press_alt();
      bool shift = action == alt_tab::ShiftAltTab && !(logical_mods_ & kShiftBits);
      if (shift) queue_send(vk::LShift, 0x2A, false, kLevel0);
      tab();
      if (shift) queue_send(vk::LShift, 0x2A, true, kLevel0);
      return;
    }
    case alt_tab::Menu:
    case alt_tab::AndMenu: {
      if (alt_tab_menu_shown_) {
        // Pressed again: the plain menu action closes the menu on the window
        // chosen; the other moves on to the next window and leaves it open.
        if (action == alt_tab::Menu) dismiss_alt_tab_menu();
        else tab();
        return;
      }
      bool released_shift = false;
      for (uint8_t m : {vk::LShift, vk::RShift, vk::LControl, vk::RControl}) {
        if (!keys_[m].logical || m == key_vk) continue;
        queue_send(m, 0, true, kLevel0);
        released_shift |= m == vk::LShift || m == vk::RShift;
      }
      press_alt();
      tab();
      if (released_shift && !key_is_shift) queue_send(vk::LShift, 0x2A, false, kLevel0);
      alt_tab_menu_shown_ = true;
      return;
    }
    case alt_tab::MenuDismiss:
      if (alt_tab_menu_shown_) dismiss_alt_tab_menu();
      return;
    default:
      return;
  }
}

void HookProcessor::note_state(uint8_t v, bool up, bool logical, bool physical) {
  if (is_wheel_vk(v)) return;
  uint8_t bit = sided_bit_of_vk(v);
  if (logical) {
    keys_[v].logical = !up;
    logical_mods_ = up ? uint8_t(logical_mods_ & ~bit) : uint8_t(logical_mods_ | bit);
  }
  if (physical) {
    keys_[v].physical = !up;
    physical_mods_ = up ? uint8_t(physical_mods_ & ~bit) : uint8_t(physical_mods_ | bit);
  }
}

HookVerdict HookProcessor::process(const KeyEvent& in, HookActions& actions) {
  using namespace event_tag;
  const uint8_t v = sided_vk(in.vk, in.sc);
  // Tags are compared as the full pointer-sized value: a foreign program's
  // extra information that merely ends in the same 32 bits is not ours.
  const bool own = in.extra >= kLowest && in.extra <= kIgnore;
  const int level = in.extra >= kLowest && in.extra <= kLevel0 ? int(kLevel0 - in.extra) : 0;
  // The physical state follows the user's hands only: a re-sent prefix
  // counts as typed elsewhere, but its press and release come after the
  // real release and must not leave the key held.
  const bool physical = !in.injected;
  KeyState& k = keys_[v];
  HookVerdict verdict = HookVerdict::Pass;
  fired_ = unsatisfied_ = false;
  // The program's own events of level 0 never fire hotkeys nor act as prefixes.
  const bool may_fire = tables_ && (!own || level > 0);

  if (!in.key_up) {
    if (may_fire) {
      const HookKey& r = record(v, in.sc);
      const bool is_held_prefix = prefix_down() && v == prefix_vk_ && (in.sc == prefix_sc_ || !prefix_sc_);
      uint16_t id = kNoHotkey;
      if (prefix_down() && !is_held_prefix) {
        prefix_used_ = true;
        for (const PrefixCombo& c : r.combos) {
          if (prefix_matches(c, prefix_vk_, prefix_sc_)) {
            id = c.id;
            break;
          }
        }
      }
      if (id == kNoHotkey && (r.has_hotkeys || r.is_prefix) && !is_held_prefix) {
        uint8_t mods = logical_mods_ & uint8_t(~sided_bit_of_vk(v));
        const HookKey& by_sc = tables_->sc_keys[in.sc & 0x1FF];
        auto lookup = [&](uint8_t m) {
          return (in.sc && by_sc.has_hotkeys) ? tables_->lookup_sc(m, in.sc) : tables_->lookup_vk(m, v);
        };
        id = lookup(mods);
        // The menu holds Alt down: keys the script gave Alt-Tab actions to
        // without Alt still act on it.
        if (id == kNoHotkey && alt_tab_menu_shown_) {
          uint16_t again = lookup(uint8_t(mods & ~kAltBits));
          if (again != kNoHotkey && !(again & kKeyUpFlag) && tables_->hotkeys[again].action) id = again;
        }
      }
      if (is_held_prefix) {
        // Auto-repeat of the held prefix: kept back like its first press.
        if (prefix_suppressed_) verdict = HookVerdict::Suppress;
      } else if (r.is_prefix && !prefix_down()) {
        // A prefix acts on release only: its own hotkey fires then, when no
        // other key was pressed with it.
        prefix_vk_ = v;
        prefix_sc_ = in.sc;
        prefix_used_ = false;
        prefix_suppressed_ = !r.prefix_pass_through;
        if (id != kNoHotkey) k.on_release = uint16_t(id & ~kKeyUpFlag);
        if (prefix_suppressed_) verdict = HookVerdict::Suppress;
      } else if (id != kNoHotkey && (id & kKeyUpFlag)) {
        k.on_release = uint16_t(id & ~kKeyUpFlag);
        if (!tables_->hotkeys[k.on_release].pass_through) verdict = HookVerdict::Suppress;
      } else if (id != kNoHotkey && fire(id, v, own, level, in.wheel_notches, actions)) {
        if (!tables_->hotkeys[id].pass_through) verdict = HookVerdict::Suppress;
        if (tables_->key_up_of[id] != kNoHotkey) k.on_release = tables_->key_up_of[id];
        // Releasing Alt or Win alone after a hotkey would open a menu (not
        // after an Alt-Tab action: that release is what picks the window).
        bool win_alone = (logical_mods_ & kWinBits) && !(logical_mods_ & (kCtrlBits | kShiftBits));
        for (uint8_t m : {vk::LWin, vk::RWin, vk::LAlt, vk::RAlt}) {
          if (tables_->hotkeys[id].action) break;
          bool alt = m == vk::LAlt || m == vk::RAlt;
          if (keys_[m].logical && (alt ? v != vk::LAlt && v != vk::RAlt : win_alone)) keys_[m].mask_release = true;
        }
      }
    }
    if (verdict == HookVerdict::Pass && collect(in, v, own, level, actions)) verdict = HookVerdict::Suppress;
    if (alt_tab_menu_shown_ && v == vk::Escape && verdict == HookVerdict::Pass) {
      dismiss_alt_tab_menu();
      verdict = HookVerdict::Suppress;
    }
    if (verdict == HookVerdict::Suppress) k.down_suppressed = true;
    // The system takes the keyboard away here: nothing stays held.
    bool secure = (v == vk::Delete || v == 0x6E) && (logical_mods_ & kCtrlBits) && (logical_mods_ & kAltBits) &&
                  !(logical_mods_ & kShiftBits);
    if (secure || (v == 'L' && (logical_mods_ & kWinBits))) {
      reset();
      if (hotstrings_) hotstrings_->clear();
      record_history(in, v, u' ');
      flush_sends(actions);
      return verdict;
    }
  } else {
    const bool is_held_prefix = prefix_down() && v == prefix_vk_;
    if (k.on_release != kNoHotkey) {
      uint16_t id = k.on_release;
      k.on_release = kNoHotkey;
      // A prefix's own hotkey counts only when the prefix was used alone.
      if (!(is_held_prefix && prefix_used_) && may_fire && fire(id, v, own, level, 0, actions)) {
        if (!tables_->hotkeys[id].pass_through) verdict = HookVerdict::Suppress;
        if (is_held_prefix) prefix_used_ = true;
      }
    }
    if (is_held_prefix) {
      // Used alone and kept back, the prefix types as if it had no hotkeys.
      if (!prefix_used_ && prefix_suppressed_) {
        queue_send(v, in.sc, false, kAsPhysical);
        queue_send(v, in.sc, true, kLevel0);
      }
      if (alt_pressed_for_tab_) {
        queue_send(vk::LAlt, 0x38, true, kLevel0);
        alt_pressed_for_tab_ = false;
        alt_tab_menu_shown_ = false;
      }
      prefix_vk_ = 0;
      prefix_sc_ = 0;
      prefix_used_ = false;
    }
    if (k.down_suppressed) {
      verdict = HookVerdict::Suppress;
      k.down_suppressed = false;
    }
    if (k.mask_release) {
      k.mask_release = false;
      if (verdict == HookVerdict::Pass) {
        // The release is held back and made again after a tap of the mask
        // key, so that no menu takes it as Alt or Win pressed alone.
        verdict = HookVerdict::Suppress;
        queue_send(vk::LControl, 0x1D, false, kLevel0);
        queue_send(vk::LControl, 0x1D, true, kLevel0);
        queue_send(v, in.sc, true, kLevel0);
      }
    }
  }
  note_state(v, in.key_up, verdict == HookVerdict::Pass, physical);
  if (physical && !is_mouse_vk(v)) {
    int pad = numpad_index(in.sc);
    if (pad >= 0 && (in.key_up || actions.num_lock_on())) numpad_[size_t(pad)] = !in.key_up;
  }
  // A Num Lock press kept from the system still toggled its light: press
  // it again, unseen by the hotkeys, to put Num Lock back.
  if (verdict == HookVerdict::Suppress && !in.key_up && in.vk == vk::NumLock)
    queue_send(vk::NumLock, 0x145, false, event_tag::kIgnore), queue_send(vk::NumLock, 0x145, true, event_tag::kIgnore);
  char16_t type = fired_ ? u'h' : unsatisfied_ ? u'#' : verdict == HookVerdict::Suppress ? u's'
                  : in.vk == vk::Packet ? u'U' : own ? u'i' : in.injected ? u'a' : u' ';
  record_history(in, v, type);
  flush_sends(actions);
  return verdict;
}

}  // namespace orv
