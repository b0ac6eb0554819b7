// The KeyHistory report: the hook's view of the modifiers, then the last
// events it saw, oldest first, with the window each went to.
#pragma once

#include <cstdint>
#include <vector>

#include "base/text.h"
#include "input/hook_events.h"

namespace orv {

struct HookStateView {
  uint8_t logical_modifiers = 0, physical_modifiers = 0;
  bool prefix_down = false;
  bool keyboard_hook = false;
  std::vector<HistoryEntry> history;
};

// `title_of` names a window (the title the report shows for it).
String key_history_report(const HookStateView& view, String (*title_of)(uintptr_t window));

}  // namespace orv
