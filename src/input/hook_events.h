// The hook's decisions, one keyboard or mouse event at a time: which
// hotkey an event fires, whether the event goes on to the window or is
// suppressed, and the hook's own view of which keys and modifiers are
// down. Portable: the platform's hook procedures feed it events, and it
// acts on the world only through HookActions.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "input/hook_tables.h"
#include "input/hotstring_collector.h"

namespace orv {

// Tags the program puts in the extra information of the events it makes.
// Sends carry kTagLevel0 minus their send level (0 to 100).
namespace event_tag {
inline constexpr uintptr_t kLevel0 = 0xFFC3D44D;
inline constexpr uintptr_t kLowest = 0xFFC3D44D - 100;
inline constexpr uintptr_t kAsPhysical = 0xFFC3D44E;  // counts as typed by the user
inline constexpr uintptr_t kIgnore = 0xFFC3D44F;
}  // namespace event_tag

struct KeyEvent {
  uint8_t vk = 0;
  uint16_t sc = 0;  // 0x100 marks an extended key
  bool key_up = false;
  bool injected = false;
  uintptr_t extra = 0;
  int wheel_notches = 0;  // for the wheel "keys"
  uint32_t time_ms = 0;   // the system's time stamp of the event
  uintptr_t window = 0;   // the foreground window when it happened
};

// One row of the key history: what happened, how the hook took it, and
// where the user was.
struct HistoryEntry {
  uint8_t vk = 0;
  uint16_t sc = 0;  // the character, for a Unicode packet
  char16_t type = u' ';  // h hotkey, s suppressed, i the program's own, a artificial, # no variant, U Unicode
  bool key_up = false;
  double elapsed = 0;  // seconds since the entry before
  uintptr_t window = 0;
};

class HookActions {
 public:
  virtual ~HookActions() = default;
  // Reports a hotkey to the main thread: `variant` is the chosen variant
  // + 1 when an #If expression chose it (the main thread must not judge it
  // again), else 0.
  virtual void post_hotkey(uint16_t id, uint16_t variant, intptr_t info) = 0;
  // Judged here, on the hook's thread.
  virtual bool window_criterion(const HotkeyCriterion& criterion) = 0;
  // Judged by the main thread, within #IfTimeout; false when it does not answer.
  virtual bool if_expression(int32_t index, uint16_t hotkey_id) = 0;
  // Makes a key event of the program's own, with `tag` as its extra information.
  virtual void send_key(uint8_t vk, uint16_t sc, bool up, uintptr_t tag) = 0;
  // The characters the key types in the foreground window with the
  // modifiers `modifiers` (left/right bits) held, without disturbing a
  // pending dead key; at most 4. None for a key that types nothing.
  virtual size_t key_chars(uint8_t vk, uint16_t sc, uint8_t modifiers, char16_t* out) {
    (void)vk, (void)sc, (void)modifiers, (void)out;
    return 0;
  }
  // Reports a hotstring to the main thread.
  virtual void post_hotstring(const HotstringMatch& match) { (void)match; }
  // Whether Num Lock is on now.
  virtual bool num_lock_on() { return false; }
};

enum class HookVerdict : uint8_t { Pass, Suppress };

class HookProcessor {
 public:
  // The tables to decide by from the next event on; null: none (every event passes).
  void adopt(const HookTables* tables) { tables_ = tables; }
  const HookTables* tables() const { return tables_; }
  // The hotstring collector the keys that reach windows feed (null: none).
  void set_hotstrings(HotstringCollector* collector) { hotstrings_ = collector; }

  HookVerdict process(const KeyEvent& event, HookActions& actions);

  // Forgets every key held: after a hook is installed again, and when the
  // system takes the keyboard away (Ctrl+Alt+Del, Win+L).
  void reset();

  uint8_t logical_modifiers() const { return logical_mods_; }
  uint8_t physical_modifiers() const { return physical_mods_; }
  bool logically_down(uint8_t vk) const { return keys_[vk].logical; }
  // The numpad digits and dot count as held while their physical key is,
  // even when Shift made it arrive as a navigation key (Num Lock on).
  bool physically_down(uint8_t vk) const {
    if (vk >= 0x60 && vk <= 0x69) return keys_[vk].physical || numpad_[vk - 0x60];
    if (vk == 0x6E) return keys_[vk].physical || numpad_[10];
    return keys_[vk].physical;
  }
  bool prefix_down() const { return prefix_vk_ || prefix_sc_; }
  bool alt_tab_menu_shown() const { return alt_tab_menu_shown_; }

  // The key history keeps the last `size` events (0: none).
  void set_history_size(size_t size);
  // The history, oldest first.
  std::vector<HistoryEntry> history() const;

 private:
  struct KeyState {
    bool logical = false, physical = false;
    bool down_suppressed = false;  // the press was kept from the window: so is the release
    uint16_t on_release = kNoHotkey;  // the hotkey its release fires
    bool mask_release = false;     // its release must not open a menu (Alt, Win)
  };
  const HookKey& record(uint8_t vk, uint16_t sc) const;
  bool choose(uint16_t id, bool own, int level, HookActions& actions, uint16_t& variant) const;
  bool fire(uint16_t id, uint8_t key_vk, bool own, int level, int notches, HookActions& actions);
  // Performs an Alt-Tab action for the key `key_vk` going down.
  void alt_tab(uint16_t action, uint8_t key_vk);
  void dismiss_alt_tab_menu();
  void note_state(uint8_t vk, bool up, bool logical, bool physical);
  // Events of the program's own go out after the event that caused them
  // is decided: under Wine a send re-enters the hook at once.
  void queue_send(uint8_t vk, uint16_t sc, bool up, uintptr_t tag);
  void flush_sends(HookActions& actions);

  struct PendingSend {
    uint8_t vk;
    uint16_t sc;
    bool up;
    uintptr_t tag;
  };
  std::array<PendingSend, 8> pending_{};
  size_t pending_count_ = 0;

  void record_history(const KeyEvent& e, uint8_t vk, char16_t type);
  // Feeds a key that goes on to its window to the hotstring collector;
  // true when it completed a hotstring (and must not go on after all).
  bool collect(const KeyEvent& e, uint8_t vk, bool own, int level, HookActions& actions);

  std::vector<HistoryEntry> history_;
  size_t history_next_ = 0;
  bool history_full_ = false;
  uint32_t last_time_ = 0;
  bool fired_ = false, unsatisfied_ = false;  // what the event just decided did

  const HookTables* tables_ = nullptr;
  HotstringCollector* hotstrings_ = nullptr;
  std::array<KeyState, 256> keys_{};
  uint8_t logical_mods_ = 0, physical_mods_ = 0;
  // The physical state of Numpad0 to Numpad9 and NumpadDot while Num Lock
  // is on, whichever virtual key they arrived with.
  std::array<bool, 11> numpad_{};
  // The prefix key held now, and whether another key was pressed with it.
  uint8_t prefix_vk_ = 0;
  uint16_t prefix_sc_ = 0;
  bool prefix_used_ = false;
  bool prefix_suppressed_ = false;
  bool alt_pressed_for_tab_ = false;  // an Alt the hook pressed for Alt-Tab, to release with the prefix
  bool alt_tab_menu_shown_ = false;   // the hook opened the Alt-Tab menu and holds Alt for it
};

}  // namespace orv
