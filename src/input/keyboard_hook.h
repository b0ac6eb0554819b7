// The hook at run time: the processor that decides each event, fed by the
// platform's hook thread, and kept in step with the hotkey table.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

class HotkeyTable;
struct HotkeyCriterion;

// Gives the hook a fresh snapshot of `table` and installs or removes the
// hooks so that exactly `needed` (HookNeed bits) are in place. Returns
// false when a hook that is needed could not be installed.
bool apply_hook_state(const HotkeyTable& table, bool suspended, uint8_t needed);

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
