// Window groups: named lists of window criteria that GroupAdd fills and
// orv_group, GroupActivate, GroupDeactivate and GroupClose read. Groups live
// for the life of the process; entries are never removed.
#pragma once

#include <vector>

#include "base/text.h"

namespace orv {

struct Label;

struct WindowGroupEntry {
  String title, text, exclude_title, exclude_text;
};

struct WindowGroup {
  String name;
  std::vector<WindowGroupEntry> entries;
  Label* label = nullptr;  // jumped to when GroupActivate finds nothing
  bool last_deactivated = false;  // the mode of the group's last use
};

// The group of that name (case-insensitive), or null.
WindowGroup* find_window_group(StringView name);
// The group of that name, made on first use.
WindowGroup& window_group(StringView name);
// Adds an entry unless an equal one (all four strings, case-sensitive) is
// there already. Four empty strings mean every window but the desktop.
void add_group_entry(WindowGroup& group, WindowGroupEntry entry);

}  // namespace orv
