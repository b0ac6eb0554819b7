// GroupAdd, GroupActivate, GroupDeactivate and GroupClose. Cycling through a
// group remembers the windows already visited in one process-wide list, so
// that each GroupActivate brings up the next window of the group.
#include "base/messages.h"
#include "events/callable.h"
#include "runtime/errors.h"
#include "runtime/executor.h"
#include "runtime/script_program.h"
#include "windows/window_actions.h"
#include "windows/window_commands.h"
#include "windows/window_groups.h"

namespace orv {

namespace {

constexpr size_t kMaxVisited = 500;

struct GroupCycle {
  const WindowGroup* group = nullptr;
  std::vector<WindowHandle> visited;

  void visit(WindowHandle w) {
    for (WindowHandle v : visited)
      if (v == w) return;
    if (visited.size() < kMaxVisited) visited.push_back(w);
  }
};

GroupCycle& cycle() {
  static GroupCycle c;
  return c;
}

bool entry_matches(const WindowGroupEntry& e, WindowHandle w) {
  WindowCriteria c;
  return parse_criteria(e.title, e.text, e.exclude_title, e.exclude_text, SearchSettings::of(*g_thread), c) &&
         window_matches(c, w);
}

// The first entry the window satisfies, or -1.
int entry_of(const WindowGroup& g, WindowHandle w) {
  for (size_t i = 0; w && i < g.entries.size(); ++i)
    if (entry_matches(g.entries[i], w)) return int(i);
  return -1;
}

bool in_group(const WindowGroup& g, WindowHandle w) { return entry_of(g, w) >= 0; }

// Activates the next window of the group not visited yet. False when the
// group has nothing more to offer.
bool activate_next(WindowGroup& g, bool recent_first) {
  GroupCycle& c = cycle();
  if (c.group != &g) c.visited.clear();
  c.group = &g;
  g.last_deactivated = false;
  WindowHandle active = desktop().foreground();
  int start = entry_of(g, active);
  bool fresh = start < 0;
  if (fresh) c.visited.clear(), start = 0;
  else c.visit(active);
  size_t visited_at_start = c.visited.size();
  size_t n = g.entries.size();
  for (int circle = 0; circle < 2; ++circle) {
    for (size_t k = 0; k < n; ++k) {
      const WindowGroupEntry& e = g.entries[(size_t(start) + k) % n];
      SearchContext context = thread_search_context();
      context.skip = &c.visited;
      MatchOrder order = recent_first && fresh ? MatchOrder::First : MatchOrder::Last;
      if (WindowHandle w = find_window({e.title, e.text, e.exclude_title, e.exclude_text}, context, order)) {
        if (set_foreground(w, g_script->directives.win_activate_force)) {
          c.visit(w);
          win_delay();
          return true;
        }
      }
      c.visited.clear();
    }
    // One more circle only when the group held two windows or more, each
    // visited: starting again from the one that was active.
    if (visited_at_start < 2) return false;
    c.visited.assign(1, active);
    visited_at_start = 0;
  }
  return false;
}

// The next window that is not in the group: visible, top-level, not
// always-on-top, not the desktop, not visited yet.
bool deactivate_next(WindowGroup& g, bool recent_first) {
  GroupCycle& c = cycle();
  if (c.group != &g) c.visited.clear();
  c.group = &g;
  g.last_deactivated = true;
  platform::WindowSystem& d = desktop();
  constexpr uint32_t kTopmost = 0x8;  // WS_EX_TOPMOST
  for (int round = 0; round < 2; ++round) {
    std::vector<WindowHandle> windows;
    d.top_level_windows(windows);
    WindowHandle pick = 0;
    for (WindowHandle w : windows) {
      if (!d.visible(w) || (d.ex_style(w) & kTopmost) || equals_ignore_case(d.title(w), u"Program Manager")) continue;
      bool seen = false;
      for (WindowHandle v : c.visited) seen = seen || v == w;
      if (seen || in_group(g, w)) continue;
      pick = w;
      if (recent_first && c.visited.empty()) break;
    }
    if (pick) {
      c.visit(pick);
      if (set_foreground(pick, g_script->directives.win_activate_force)) win_delay();
      return true;
    }
    if (c.visited.empty()) return false;
    size_t had = c.visited.size();
    c.visited.clear();
    if (had < 2) return false;
    c.visit(d.foreground());
  }
  return false;
}

bool recent_first(StringView mode) { return equals_ignore_case(trim(mode), u"R"); }

}  // namespace

// GroupAdd, GroupName [, WinTitle, WinText, Label, ExcludeTitle, ExcludeText]
Result cmd_group_add(const ScriptLine&, ExpandedArgs& args) {
  StringView name = trim(arg_text(args, 0));
  if (name.empty()) return report_runtime_error(message(Msg::ParamInvalid1), name);
  Label* label = nullptr;
  if (StringView label_name = trim(arg_text(args, 3)); !label_name.empty()) {
    label = g_script->find_label(label_name);
    if (!label) return report_runtime_error(message(Msg::ParamInvalid4), label_name);
  }
  WindowGroup& g = window_group(name);
  if (label) g.label = label;
  add_group_entry(g, {String(arg_text(args, 1)), String(arg_text(args, 2)), String(arg_text(args, 4)),
                      String(arg_text(args, 5))});
  return ResultDone;
}

// GroupActivate, GroupName [, R]
Result cmd_group_activate(const ScriptLine&, ExpandedArgs& args) {
  WindowGroup* g = find_window_group(trim(arg_text(args, 0)));
  if (!g || g->entries.empty()) return ResultDone;
  if (activate_next(*g, recent_first(arg_text(args, 1))) || !g->label) return ResultDone;
  Callable jump;
  jump.label = g->label;
  return run_callable(jump);
}

// GroupDeactivate, GroupName [, R]
Result cmd_group_deactivate(const ScriptLine&, ExpandedArgs& args) {
  if (WindowGroup* g = find_window_group(trim(arg_text(args, 0)))) deactivate_next(*g, recent_first(arg_text(args, 1)));
  return ResultDone;
}

// GroupClose, GroupName [, A|R]: every window of the group with A; else the
// active window, and then on to the next one as the group was last used.
Result cmd_group_close(const ScriptLine&, ExpandedArgs& args) {
  StringView name = trim(arg_text(args, 0));
  WindowGroup* g = find_window_group(name);
  if (!g) return ResultDone;
  StringView mode = trim(arg_text(args, 1));
  if (equals_ignore_case(mode, u"A")) {
    String title = u"orv_group " + String(name);
    std::vector<WindowHandle> all;
    find_window({title}, thread_search_context(), MatchOrder::First, &all);
    for (WindowHandle w : all) close_window(w, CloseKind::Close, 0);
    if (!all.empty()) win_delay();
    return ResultDone;
  }
  bool recent = recent_first(mode);
  WindowHandle active = desktop().foreground();
  bool active_in_group = in_group(*g, active);
  if (active_in_group == g->last_deactivated) {
    if (g->last_deactivated) deactivate_next(*g, recent);
    else activate_next(*g, recent);
    return ResultDone;
  }
  if (active) {
    close_window(active, CloseKind::Close, 500);
    win_delay();
  }
  if (g->last_deactivated) deactivate_next(*g, recent);
  else activate_next(*g, recent);
  return ResultDone;
}

}  // namespace orv
