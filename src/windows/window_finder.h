// Finding windows on the desktop: the searches behind WinExist, WinActive,
// the IfWin commands, the waits and WinGet, with the shorthands "A" (the
// active window) and four empty strings (the Last Found Window).
#pragma once

#include <vector>

#include "windows/window_search.h"

namespace orv {

using platform::WindowHandle;

struct WindowQuery {
  StringView title, text, exclude_title, exclude_text;

  bool empty() const { return title.empty() && text.empty() && exclude_title.empty() && exclude_text.empty(); }
  // "A" alone names the active window; with any other string it is a title.
  bool active_shorthand() const {
    return equals_ignore_case(title, u"A") && text.empty() && exclude_title.empty() && exclude_text.empty();
  }
};

enum class MatchOrder : uint8_t { First, Last };

// What a search may use besides the criteria: the Last Found Window (for
// four empty strings) and windows to pass over.
struct SearchContext {
  SearchSettings settings;
  WindowHandle last_found = 0;
  const std::vector<WindowHandle>* skip = nullptr;
};

// The matching top-level window, topmost first (or the bottom-most with
// MatchOrder::Last); 0 when none. `all`, when given, receives every match.
WindowHandle find_window(const WindowQuery& query, const SearchContext& context, MatchOrder order = MatchOrder::First,
                         std::vector<WindowHandle>* all = nullptr);

// Every matching top-level window, topmost first, for WinGet List and
// Count: four empty strings mean every window there is (not the Last
// Found Window, which one window would be a poor list of).
void list_windows(const WindowQuery& query, const SearchContext& context, std::vector<WindowHandle>& all);

// The foreground window when it satisfies the query, else 0.
WindowHandle find_active_window(const WindowQuery& query, const SearchContext& context);

// The same for the running thread, with its settings and Last Found Window;
// LastFound::Set makes a window found the new Last Found Window.
enum class LastFound : uint8_t { Keep, Set };
WindowHandle thread_find_window(const WindowQuery& query, LastFound last_found, MatchOrder order = MatchOrder::First);
WindowHandle thread_find_active(const WindowQuery& query, LastFound last_found);
// The window a command acts on without activating it: the foreground one
// for "A", else the first match.
WindowHandle target_window(const WindowQuery& query);
SearchContext thread_search_context();

}  // namespace orv
