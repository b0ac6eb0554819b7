// The hook at run time: the processor that decides each event, fed by the
// platform's hook thread, and kept in step with the hotkey table.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/text.h"

namespace orv {

class HotkeyTable;
class HotstringTable;
struct HotkeyCriterion;

// Gives the hook a fresh snapshot of `table` and installs or removes the
// hooks so that exactly `needed` (HookNeed bits) are in place. Returns
// false when a hook that is needed could not be installed.
bool apply_hook_state(const HotkeyTable& table, bool suspended, uint8_t needed);

// The hotstrings the keyboard hook matches typing against (null: none);
// the table must stay unchanged while the hook uses it.
void set_hook_hotstrings(const HotstringTable* table, StringView end_chars, bool mouse_resets);
// Whether there are hotstrings to match: they need the keyboard hook.
bool hook_has_hotstrings();

// Removes the hooks and ends their thread (at exit).
void remove_hooks();

// What the hook asks of the rest of the program: supplied by the hotkeys.
struct HookServices {
  bool (*window_criterion)(const HotkeyCriterion& criterion) = nullptr;  // on the hook thread
  uint32_t if_timeout_ms = 1000;                                         // #IfTimeout
  size_t history_size = 40;                                              // #KeyHistory
};
// Before the hook thread starts.
void set_hook_services(const HookServices& services);

// What the hook holds now, for KeyHistory, GetKeyState and KeyWait.
struct HookStateView;
void read_hook_state(HookStateView& view);
// Whether the keyboard (or mouse) hook is installed now.
bool keyboard_hook_installed();
bool mouse_hook_installed();
// The hook's own view of a key: held as the user holds it (physical), or
// as other programs see it (logical). Meaningful only while the hook that
// sees the key is installed.
bool hook_key_down(uint8_t vk, bool physical);

// The main thread's answer to the hook's question about an #If
// expression: kIfExpressionTrue when it holds.
inline constexpr intptr_t kIfExpressionTrue = 3;
// The message the hook sends MainWindow to ask it: wParam the expression,
// lParam the hotkey.
inline constexpr uint32_t kEvalIfExpressionMessage = 0x400 + 25;

}  // namespace orv
