#include "windows/window_groups.h"

#include <memory>

namespace orv {

namespace {

// Pointers into the list stay valid as groups are added: search records and
// group cycles hold them.
std::vector<std::unique_ptr<WindowGroup>>& groups() {
  static std::vector<std::unique_ptr<WindowGroup>> all;
  return all;
}

}  // namespace

WindowGroup* find_window_group(StringView name) {
  for (auto& g : groups())
    if (equals_ignore_case(g->name, name)) return g.get();
  return nullptr;
}

WindowGroup& window_group(StringView name) {
  if (WindowGroup* g = find_window_group(name)) return *g;
  groups().push_back(std::make_unique<WindowGroup>());
  groups().back()->name = String(name);
  return *groups().back();
}

void add_group_entry(WindowGroup& group, WindowGroupEntry entry) {
  if (entry.title.empty() && entry.text.empty() && entry.exclude_title.empty() && entry.exclude_text.empty())
    entry.exclude_title = u"Program Manager";
  for (const WindowGroupEntry& e : group.entries)
    if (e.title == entry.title && e.text == entry.text && e.exclude_title == entry.exclude_title &&
        e.exclude_text == entry.exclude_text)
      return;
  group.entries.push_back(std::move(entry));
}

}  // namespace orv
