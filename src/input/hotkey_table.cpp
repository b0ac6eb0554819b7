#include "input/hotkey_table.h"

#include <algorithm>
#include <bitset>

#include "base/messages.h"
#include "input/key_codes.h"
#include "input/keyboard_layout.h"
#include "runtime/command_table.h"

namespace orv {

namespace {

struct ActionName {
  const char16_t* name;
  uint16_t action;
};

const ActionName kActions[] = {
    {u"AltTab", alt_tab::AltTab}, {u"ShiftAltTab", alt_tab::ShiftAltTab}, {u"AltTabMenu", alt_tab::Menu},
    {u"AltTabAndMenu", alt_tab::AndMenu}, {u"AltTabMenuDismiss", alt_tab::MenuDismiss},
};

// The key a single left/right modifier stands for when it becomes the
// prefix of an Alt-Tab hotkey.
uint8_t key_of_sided_bit(uint8_t bit) {
  switch (bit) {
    case ModLCtrl: return vk::LControl;
    case ModRCtrl: return vk::RControl;
    case ModLAlt: return vk::LAlt;
    case ModRAlt: return vk::RAlt;
    case ModLShift: return vk::LShift;
    case ModRShift: return vk::RShift;
    case ModLWin: return vk::LWin;
    default: return vk::RWin;
  }
}

// "AltTab" and "ShiftAltTab" need a key to hold: a prefix, or the one
// left/right modifier they name, which becomes the prefix.
HotkeyError settle_alt_tab(HotkeyText& key) {
  if (key.has_prefix) return HotkeyError::None;
  if (key.neutral) return HotkeyError::AltTabNeedsSide;
  if (std::bitset<8>(key.sided).count() != 1) return HotkeyError::AltTabNeedsOneModifier;
  key.has_prefix = true;
  key.prefix_vk = key_of_sided_bit(key.sided);
  key.sided = 0;
  return HotkeyError::None;
}

uint8_t merged_modifiers(const HotkeyText& key) {
  uint8_t merged = key.sided;
  if (key.has_prefix) {
    uint8_t side = sided_bit_of_vk(key.prefix_vk);
    merged |= side ? side : sided_from_neutral(neutral_of_vk(key.prefix_vk));
  } else {
    merged |= sided_from_neutral(key.neutral);
  }
  return merged;
}

HotkeyError from_text_error(HotkeyTextError e) {
  switch (e) {
    case HotkeyTextError::None: return HotkeyError::None;
    case HotkeyTextError::NotAPrefix: return HotkeyError::NotAPrefix;
    case HotkeyTextError::UnknownCharacter: return HotkeyError::UnknownCharacter;
    default: return HotkeyError::InvalidKeyName;
  }
}

bool any_enabled(const HotkeyEntry& e, bool suspended) {
  for (const HotkeyBinding& b : e.bindings)
    if (b.enabled && (!suspended || exempt_from_suspend(b))) return true;
  return false;
}

bool has_plain_variant(const HotkeyEntry& e, bool suspended) {
  for (const HotkeyBinding& b : e.bindings)
    if (b.enabled && b.criterion.kind == CriterionKind::None && (!suspended || exempt_from_suspend(b))) return true;
  return false;
}

const char16_t* type_name(HotkeyType t) {
  switch (t) {
    case HotkeyType::Registered: return u"reg";
    case HotkeyType::KeyboardHook: return u"k-hook";
    case HotkeyType::MouseHook: return u"m-hook";
    case HotkeyType::BothHooks: return u"2-hooks";
    default: return u"joypoll";
  }
}

String level_text(int64_t level, bool hex, bool upper) {
  if (!hex) return to_string(level);
  static const char16_t kLower[] = u"0123456789abcdef", kUpper[] = u"0123456789ABCDEF";
  String digits;
  do {
    digits.insert(digits.begin(), (upper ? kUpper : kLower)[level & 15]);
    level >>= 4;
  } while (level);
  return u"0x" + digits;
}

}  // namespace

uint16_t alt_tab_action(StringView name) {
  for (const ActionName& a : kActions)
    if (equals_ignore_case(name, a.name)) return a.action;
  return 0;
}

int error_level_of(HotkeyError error) {
  switch (error) {
    case HotkeyError::None: return 0;
    case HotkeyError::TargetLabelMissing: case HotkeyError::ParamsMustBeOptional: return 1;
    case HotkeyError::InvalidKeyName: case HotkeyError::UnknownCharacter: return 2;
    case HotkeyError::NotAPrefix: return 3;
    case HotkeyError::AltTabNeedsSide: case HotkeyError::AltTabNeedsOneModifier: return 4;
    case HotkeyError::Nonexistent: return 5;
    case HotkeyError::NonexistentVariant: return 6;
    case HotkeyError::MaxHotkeys: return 98;
    case HotkeyError::OutOfMemory: return 99;
  }
  return 1;
}

String message_of(HotkeyError error, StringView culprit) {
  auto quoted = [&](Msg piece) { return u"\"" + String(culprit) + u"\" " + String(message(piece)); };
  switch (error) {
    case HotkeyError::None: return String();
    case HotkeyError::TargetLabelMissing: return String(message(Msg::TargetLabelMissing));
    case HotkeyError::ParamsMustBeOptional: return String(message(Msg::HotkeyFunctionParamsOptional));
    case HotkeyError::InvalidKeyName: case HotkeyError::UnknownCharacter: return quoted(Msg::NotAValidKeyName);
    case HotkeyError::NotAPrefix: return quoted(Msg::NotAPrefixKey);
    case HotkeyError::AltTabNeedsSide: return String(message(Msg::AltTabHotkeyLead)) + u" " + quoted(Msg::AltTabNeedsSide);
    case HotkeyError::AltTabNeedsOneModifier:
      return String(message(Msg::AltTabHotkeyLead)) + u" " + quoted(Msg::AltTabNeedsOneModifier);
    case HotkeyError::Nonexistent: return String(message(Msg::NonexistentHotkey));
    case HotkeyError::NonexistentVariant: return String(message(Msg::NonexistentHotkeyVariant));
    case HotkeyError::MaxHotkeys: return String(message(Msg::MaxHotkeys));
    case HotkeyError::OutOfMemory: return String(message(Msg::OutOfMemory));
  }
  return String();
}

bool exempt_from_suspend(const HotkeyBinding& binding) { return first_action(binding.callable) == CmdSuspend; }

String HotkeyTable::identity(const HotkeyText& key) {
  // The names without regard to case, then every flag and modifier: two
  // spellings of one hotkey meet here.
  String id;
  for (char16_t c : key.prefix_name) id.push_back(fold_case(c));
  id.push_back(u'\x01');
  for (char16_t c : key.key_name) id.push_back(fold_case(c));
  id.push_back(u'\x01');
  id.push_back(char16_t(u'@' + (key.use_hook << 0 | key.wildcard << 1 | key.pass_through << 2 |
                                key.prefix_pass_through << 3 | key.key_up << 4)));
  id.push_back(char16_t(0x100 + key.neutral));
  id.push_back(char16_t(0x100 + key.sided));
  return id;
}

HotkeyError HotkeyTable::define(StringView text, const Callable& callable, uint16_t action,
                                const HotkeyCriterion& criterion, const BindingDefaults& defaults,
                                const KeyboardLayout& layout, HotkeyEntry*& entry, String& culprit) {
  entry = nullptr;
  if (text.size() > kMaxHotkeyText) text = text.substr(0, kMaxHotkeyText);
  HotkeyText key;
  HotkeyError error = from_text_error(parse_hotkey_text(text, layout, key, culprit));
  if (error != HotkeyError::None) return error;
  String id = identity(key);
  auto found = by_identity_.find(id);
  if (found != by_identity_.end()) {
    entry = entries_[found->second].get();
  } else {
    if (entries_.size() >= kMaxHotkeys) return HotkeyError::MaxHotkeys;
    if (action == alt_tab::AltTab || action == alt_tab::ShiftAltTab) {
      error = settle_alt_tab(key);
      if (error != HotkeyError::None) {
        culprit.assign(text);
        return error;
      }
    }
    auto e = std::make_unique<HotkeyEntry>();
    e->id = uint16_t(entries_.size());
    e->action = action;
    e->name.assign(text);
    e->key = key;
    e->sided_merged = merged_modifiers(key);
    e->use_hook = hotkey_forces_hook(key, defaults.use_hook) || action != 0 || defaults.input_level > 0;
    e->type = key.joy_button ? HotkeyType::Joystick : key.mouse ? HotkeyType::MouseHook
              : e->use_hook ? HotkeyType::KeyboardHook : HotkeyType::Registered;
    entry = e.get();
    by_identity_.emplace(std::move(id), e->id);
    entries_.push_back(std::move(e));
  }
  if (HotkeyBinding* b = find_binding(*entry, criterion)) {
    b->callable = callable;
    return HotkeyError::None;
  }
  HotkeyBinding b;
  b.callable = callable;
  b.criterion = criterion;
  b.max_threads = defaults.max_threads;
  b.max_threads_buffer = defaults.max_threads_buffer;
  b.input_level = defaults.input_level;
  entry->bindings.push_back(std::move(b));
  return HotkeyError::None;
}

HotkeyEntry* HotkeyTable::find(StringView text, const KeyboardLayout& layout) {
  HotkeyText key;
  String culprit;
  if (parse_hotkey_text(text, layout, key, culprit) != HotkeyTextError::None) return nullptr;
  auto found = by_identity_.find(identity(key));
  return found == by_identity_.end() ? nullptr : entries_[found->second].get();
}

HotkeyBinding* HotkeyTable::find_binding(HotkeyEntry& entry, const HotkeyCriterion& criterion) {
  for (HotkeyBinding& b : entry.bindings)
    if (b.criterion == criterion) return &b;
  return nullptr;
}

HotkeyBinding* HotkeyTable::choose(HotkeyEntry& entry, CriterionJudge& judge, bool suspended, uintptr_t& found) {
  found = 0;
  if (!entry.enabled) return nullptr;
  HotkeyBinding* plain = nullptr;
  for (HotkeyBinding& b : entry.bindings) {
    if (!b.enabled || (suspended && !exempt_from_suspend(b))) continue;
    if (b.criterion.kind == CriterionKind::None) {
      if (!plain) plain = &b;
      continue;
    }
    if (judge.holds(b.criterion, found)) return &b;
  }
  found = 0;
  return plain;
}

uint8_t HotkeyTable::refresh(HotkeyRegistrar& registrar, bool suspended) {
  const size_t n = entries_.size();
  std::vector<bool> active(n);
  std::bitset<256> prefix_vks;
  std::bitset<512> prefix_scs;
  // 1. What is live at all; what is not lets go of its registration.
  for (size_t i = 0; i < n; ++i) {
    HotkeyEntry& e = *entries_[i];
    active[i] = e.enabled && any_enabled(e, suspended);
    if (!active[i]) {
      if (e.is_registered) {
        registrar.unregister_hotkey(e.id);
        e.is_registered = false;
      }
      for (HotkeyBinding& b : e.bindings) b.pending_run = false;
      continue;
    }
    if (e.key.has_prefix) {
      if (e.key.prefix_sc) prefix_scs.set(e.key.prefix_sc & 0x1FF);
      else prefix_vks.set(e.key.prefix_vk);
    }
  }
  // 2. Keyboard hotkeys start from their own needs each time.
  std::vector<std::vector<uint16_t>> registrable_by_vk(256);
  for (size_t i = 0; i < n; ++i) {
    HotkeyEntry& e = *entries_[i];
    if (e.type == HotkeyType::Registered || e.type == HotkeyType::KeyboardHook) {
      e.type = e.use_hook ? HotkeyType::KeyboardHook : HotkeyType::Registered;
      if (active[i] && e.type == HotkeyType::Registered) registrable_by_vk[e.key.vk].push_back(e.id);
    } else if (e.type == HotkeyType::BothHooks) {
      e.type = HotkeyType::MouseHook;
    }
  }
  // A key-up or wildcard hotkey takes the registered ones of its key along
  // into the hook: the system would otherwise swallow the key before the
  // hook saw it.
  auto to_hook = [&](HotkeyEntry& f) { f.type = HotkeyType::KeyboardHook; };
  for (size_t i = 0; i < n; ++i) {
    const HotkeyEntry& e = *entries_[i];
    if (!active[i] || e.key.has_prefix || !e.key.vk) continue;
    if (e.key.key_up) {
      for (uint16_t id : registrable_by_vk[e.key.vk]) {
        HotkeyEntry& f = *entries_[id];
        if (f.key.neutral == e.key.neutral && f.key.sided == e.key.sided) to_hook(f);
      }
    }
    if (e.key.wildcard && !e.key.sided) {
      for (uint16_t id : registrable_by_vk[e.key.vk]) {
        HotkeyEntry& f = *entries_[id];
        if ((f.key.neutral & e.key.neutral) == e.key.neutral) to_hook(f);
      }
    }
  }
  for (size_t i = 0; i < n; ++i) {
    HotkeyEntry& e = *entries_[i];
    if (!active[i]) continue;
    // 3. A key that is some hotkey's prefix, or whose variants all depend
    // on a criterion, must be seen by the hook first.
    if (e.type == HotkeyType::Registered &&
        ((e.key.sc ? prefix_scs.test(e.key.sc & 0x1FF) : prefix_vks.test(e.key.vk)) || !has_plain_variant(e, suspended)))
      to_hook(e);
    // 4. A mouse hotkey that involves the keyboard needs both hooks.
    if (e.type == HotkeyType::MouseHook &&
        (e.key.sc || e.key.has_prefix || e.action || !is_mouse_vk(e.key.vk) ||
         (e.key.has_prefix && !is_mouse_vk(e.key.prefix_vk))))
      e.type = HotkeyType::BothHooks;
  }
  // 5. Registrations follow the types.
  uint8_t needed = 0;
  for (size_t i = 0; i < n; ++i) {
    HotkeyEntry& e = *entries_[i];
    if (e.type != HotkeyType::Registered && e.is_registered) {
      registrar.unregister_hotkey(e.id);
      e.is_registered = false;
    }
    if (!active[i]) continue;
    if (e.type == HotkeyType::Registered && !e.is_registered) {
      if (registrar.register_hotkey(e.id, e.key.neutral | neutral_of_vk(e.key.vk), e.key.vk)) e.is_registered = true;
      else e.type = HotkeyType::KeyboardHook;
    }
    if (e.type == HotkeyType::KeyboardHook || e.type == HotkeyType::BothHooks) needed |= NeedKeyboardHook;
    if (e.type == HotkeyType::MouseHook || e.type == HotkeyType::BothHooks) needed |= NeedMouseHook;
  }
  return needed;
}

String HotkeyTable::report(bool hex, bool upper) const {
  constexpr size_t kMaxReport = 65534;
  String out = u"Type\tOff?\tLevel\tRunning\tName\r\n";
  out.append(67, u'-');
  out.append(u"\r\n");
  for (const auto& e : entries_) {
    int enabled = 0, lowest = 255, highest = 0, running = 0;
    for (const HotkeyBinding& b : e->bindings) {
      enabled += b.enabled;
      lowest = std::min<int>(lowest, b.input_level);
      highest = std::max<int>(highest, b.input_level);
      running += b.running_threads;
    }
    if (e->bindings.empty()) lowest = 0;
    String line = type_name(e->type);
    if (e->type == HotkeyType::Registered && !e->is_registered) line.append(u"(no)");
    line.push_back(u'\t');
    if (!e->enabled || enabled == 0) line.append(u"OFF");
    else if (enabled < int(e->bindings.size())) line.append(u"PART");
    line.push_back(u'\t');
    if (lowest != highest) line.append(to_string(lowest) + u"-" + to_string(highest));
    else if (highest) line.append(level_text(highest, hex, upper));
    line.push_back(u'\t');
    if (running) line.append(to_string(running));
    line.push_back(u'\t');
    line.append(e->name);
    line.append(u"\r\n");
    if (out.size() + line.size() > kMaxReport) {
      out.append(line, 0, kMaxReport - out.size());
      break;
    }
    out.append(line);
  }
  return out;
}

}  // namespace orv
