// The script's hotkeys: one entry per distinct key combination, each with
// its variants (bindings) told apart by the #If/#IfWin criterion in force
// where they were defined. The table decides which hotkeys the system
// registers and which need the hook, and which variant a press runs.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "base/text.h"
#include "events/callable.h"
#include "input/hotkey_text.h"

namespace orv {

class KeyboardLayout;

enum class HotkeyType : uint8_t { Registered = 0, KeyboardHook = 1, MouseHook = 2, BothHooks = 3, Joystick = 4 };

inline constexpr uint16_t kNoHotkey = 0x3FFF;
inline constexpr size_t kMaxHotkeys = 1000;

// Alt-Tab actions, named in place of a label; the hook performs them.
namespace alt_tab {
inline constexpr uint16_t MenuDismiss = 16378, AndMenu = 16379, Menu = 16380, ShiftAltTab = 16381, AltTab = 16382;
}
// The action a label name stands for ("AltTab" ...), or 0.
uint16_t alt_tab_action(StringView name);

enum class CriterionKind : uint8_t { None, IfWinActive, IfWinNotActive, IfWinExist, IfWinNotExist, IfExpression };

struct HotkeyCriterion {
  CriterionKind kind = CriterionKind::None;
  String title, text;          // the window criterion
  int32_t if_expression = -1;  // which #If expression
  bool operator==(const HotkeyCriterion& o) const {
    return kind == o.kind && title == o.title && text == o.text && if_expression == o.if_expression;
  }
};

struct HotkeyBinding {
  Callable callable;
  HotkeyCriterion criterion;
  int32_t priority = 0;
  uint64_t last_attempt_tick = 0;
  uint8_t running_threads = 0;
  uint8_t max_threads = 1;
  uint8_t input_level = 0;
  bool max_threads_buffer = false;
  bool pending_run = false;  // one buffered press waits
  bool enabled = true;
};

struct HotkeyEntry {
  uint16_t id = 0;
  uint16_t action = 0;  // an Alt-Tab action, or 0
  String name;          // as written: A_ThisHotkey
  HotkeyText key;
  // Every modifier the hotkey needs, as left/right bits: what a Send from
  // its thread may have to release.
  uint8_t sided_merged = 0;
  HotkeyType type = HotkeyType::Registered;
  bool use_hook = false;  // "$", or something only the hook can tell
  bool is_registered = false;
  bool enabled = true;  // Alt-Tab actions are turned on and off as a whole
  std::vector<HotkeyBinding> bindings;

  bool is_hook_type() const { return type == HotkeyType::KeyboardHook || type == HotkeyType::MouseHook || type == HotkeyType::BothHooks; }
};

enum class HotkeyError : uint8_t {
  None,
  TargetLabelMissing,
  ParamsMustBeOptional,
  InvalidKeyName,
  UnknownCharacter,  // a single character no key types: at load time the line is something else
  NotAPrefix,
  AltTabNeedsSide,
  AltTabNeedsOneModifier,
  Nonexistent,
  NonexistentVariant,
  MaxHotkeys,
  OutOfMemory,
};

// The ErrorLevel the Hotkey command's UseErrorLevel gives for an error.
int error_level_of(HotkeyError error);
// The message for an error; `culprit` is the key name or hotkey text it names.
String message_of(HotkeyError error, StringView culprit);

// The defaults a new variant takes from the directives in force.
struct BindingDefaults {
  uint8_t max_threads = 1;
  bool max_threads_buffer = false;
  uint8_t input_level = 0;
  bool use_hook = false;  // #UseHook
};

// The system's hotkey registration (RegisterHotKey on Windows).
class HotkeyRegistrar {
 public:
  virtual ~HotkeyRegistrar() = default;
  virtual bool register_hotkey(uint16_t id, uint32_t neutral_modifiers, uint8_t vk) = 0;
  virtual void unregister_hotkey(uint16_t id) = 0;
};

// Whether a variant's window criterion holds now; `found` is the window
// it found (for IfWinActive/IfWinExist), else 0.
class CriterionJudge {
 public:
  virtual ~CriterionJudge() = default;
  virtual bool holds(const HotkeyCriterion& criterion, uintptr_t& found) = 0;
};

// Which hooks the hotkeys need: bits of these.
enum HookNeed : uint8_t { NeedKeyboardHook = 1, NeedMouseHook = 2 };

class HotkeyTable {
 public:
  // Creates the hotkey of `text` or finds it, and adds the variant for
  // `criterion` (or replaces its callable when it exists). `culprit`
  // receives what an error names.
  HotkeyError define(StringView text, const Callable& callable, uint16_t action, const HotkeyCriterion& criterion,
                     const BindingDefaults& defaults, const KeyboardLayout& layout, HotkeyEntry*& entry,
                     String& culprit);

  // The hotkey whose text reads as `text` (its keys, flags and modifiers,
  // not its spelling); null when none.
  HotkeyEntry* find(StringView text, const KeyboardLayout& layout);
  static HotkeyBinding* find_binding(HotkeyEntry& entry, const HotkeyCriterion& criterion);

  // The variant a press runs: the first enabled one in creation order whose
  // criterion holds, else the one without a criterion; null for none.
  // While suspended only variants that begin with Suspend count.
  static HotkeyBinding* choose(HotkeyEntry& entry, CriterionJudge& judge, bool suspended, uintptr_t& found);

  // Works out again which hotkeys the system registers and which need the
  // hook, registering and unregistering as it goes; returns the hooks
  // needed (HookNeed bits).
  uint8_t refresh(HotkeyRegistrar& registrar, bool suspended);

  // The ListHotkeys report; levels in hexadecimal when `hex` (upper case
  // digits when `upper`).
  String report(bool hex, bool upper) const;

  size_t size() const { return entries_.size(); }
  HotkeyEntry& at(uint16_t id) { return *entries_[id]; }
  const HotkeyEntry& at(uint16_t id) const { return *entries_[id]; }

 private:
  static String identity(const HotkeyText& key);
  std::vector<std::unique_ptr<HotkeyEntry>> entries_;
  std::unordered_map<String, uint16_t> by_identity_;
};

// Whether a variant stays live while hotkeys are suspended: its first line
// is Suspend.
bool exempt_from_suspend(const HotkeyBinding& binding);

}  // namespace orv
