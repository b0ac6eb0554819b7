#include "windows/window_finder.h"

namespace orv {

namespace {

// The active window, as the shorthand "A" names it: a hidden one counts
// only when hidden windows are detected.
WindowHandle foreground_if_detectable(const SearchSettings& settings) {
  platform::WindowSystem& d = desktop();
  WindowHandle fg = d.foreground();
  return fg && (settings.hidden_windows || d.visible(fg)) ? fg : 0;
}

// The Last Found Window is taken while it exists and could still be found
// (child windows are never hidden from this).
WindowHandle last_found_if_usable(const SearchContext& context) {
  platform::WindowSystem& d = desktop();
  WindowHandle w = context.last_found;
  if (!w || !d.exists(w)) return 0;
  return context.settings.hidden_windows || d.visible(w) || d.is_child(w) ? w : 0;
}

}  // namespace

WindowHandle find_window(const WindowQuery& q, const SearchContext& context, MatchOrder order,
                         std::vector<WindowHandle>* all) {
  if (all) all->clear();
  platform::WindowSystem& d = desktop();
  WindowHandle found = 0;
  if (q.active_shorthand()) found = foreground_if_detectable(context.settings);
  else if (q.empty()) found = last_found_if_usable(context);
  if (q.active_shorthand() || q.empty()) {
    if (found && all) all->push_back(found);
    return found;
  }
  WindowCriteria c;
  if (!parse_criteria(q.title, q.text, q.exclude_title, q.exclude_text, context.settings, c)) return 0;
  if (c.flags & CriterionId) {
    WindowHandle w = WindowHandle(c.id);
    bool seen = d.exists(w) && (context.settings.hidden_windows || d.visible(w) || d.is_child(w));
    found = seen && window_matches(c, w, context.skip) ? w : 0;
    if (found && all) all->push_back(found);
    return found;
  }
  std::vector<WindowHandle> windows;
  d.top_level_windows(windows);
  for (WindowHandle w : windows) {
    if (!context.settings.hidden_windows && !d.visible(w)) continue;
    if (!window_matches(c, w, context.skip)) continue;
    found = w;
    if (all) all->push_back(w);
    if (order == MatchOrder::First && !all) break;
  }
  if (all && order == MatchOrder::First && !all->empty()) found = all->front();
  return found;
}

void list_windows(const WindowQuery& q, const SearchContext& context, std::vector<WindowHandle>& all) {
  if (!q.empty()) {
    (void)find_window(q, context, MatchOrder::First, &all);
    return;
  }
  platform::WindowSystem& d = desktop();
  std::vector<WindowHandle> windows;
  d.top_level_windows(windows);
  all.clear();
  for (WindowHandle w : windows)
    if (context.settings.hidden_windows || d.visible(w)) all.push_back(w);
}

WindowHandle find_active_window(const WindowQuery& q, const SearchContext& context) {
  if (q.empty()) {
    WindowHandle fg = desktop().foreground();
    return fg && fg == context.last_found ? fg : 0;
  }
  WindowHandle fg = foreground_if_detectable(context.settings);
  if (!fg || q.active_shorthand()) return fg;
  WindowCriteria c;
  if (!parse_criteria(q.title, q.text, q.exclude_title, q.exclude_text, context.settings, c)) return 0;
  return window_matches(c, fg) ? fg : 0;
}

SearchContext thread_search_context() {
  SearchContext context;
  context.settings = SearchSettings::of(*g_thread);
  context.last_found = g_thread->last_found_window;
  return context;
}

WindowHandle thread_find_window(const WindowQuery& q, LastFound last_found, MatchOrder order) {
  WindowHandle w = find_window(q, thread_search_context(), order);
  if (w && last_found == LastFound::Set) g_thread->last_found_window = w;
  return w;
}

WindowHandle thread_find_active(const WindowQuery& q, LastFound last_found) {
  WindowHandle w = find_active_window(q, thread_search_context());
  if (w && last_found == LastFound::Set) g_thread->last_found_window = w;
  return w;
}

WindowHandle target_window(const WindowQuery& q) {
  if (q.active_shorthand()) return desktop().foreground();
  return find_window(q, thread_search_context());
}

}  // namespace orv
