// What the message pump leaves behind when it launches a thread for a
// hotkey, a hotstring or a menu item, for the built-in variables that report
// it. Until the first such launch every field says "none".
#pragma once

#include <cstdint>

#include "base/text.h"

namespace orv {

struct LaunchState {
  // The hotkeys of the latest and the one before, as written in the script,
  // and the ticks at which their threads started. Empty: none yet.
  String this_hotkey, prior_hotkey;
  uint64_t this_hotkey_tick = 0, prior_hotkey_tick = 0;
  char16_t end_char = 0;  // the ending character of the last hotstring; 0: none
  String menu_item_name, menu_name;
  uint32_t menu_item_pos = 0;  // from 1; 0: no menu item launched a thread
  // Suspend turns hotkeys off without forgetting them.
  bool hotkeys_suspended = false;
  // The left/right modifiers the running hotkey needs: what a Send from
  // its thread may have to release first.
  uint8_t firing_hotkey_modifiers = 0;
  // Set by the keyboard layer once the script has hotkeys: works out again
  // what is registered and hooked after Suspend changed.
  void (*refresh_hotkeys)() = nullptr;
};

extern LaunchState g_launch;

}  // namespace orv
