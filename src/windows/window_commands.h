// What the window commands share: reading their four criteria strings,
// the handle as scripts see it, and the one call start-up makes.
#pragma once

#include <vector>

#include "base/text.h"
#include "windows/window_finder.h"

namespace orv {

struct ExpandedArgs;
namespace platform {
class WindowSystem;
}

// Parameters first .. first+3 as WinTitle, WinText, ExcludeTitle, ExcludeText.
WindowQuery query_of(const ExpandedArgs& args, int first);

// Lower-case hexadecimal after 0x; 0x0 for no window.
String window_handle_text(WindowHandle w);

// Chooses the item of `w`'s menu bar that `names` lead to (names or "N&"
// positions, one per level; "0&" first means the system menu); the window
// gets its command. False when no such item can be chosen.
bool choose_menu_item(platform::WindowSystem& ws, WindowHandle w, const std::vector<StringView>& names);

// WinMinimizeAll's work: minimizes every shown window with a minimize box
// and adds it to `minimized`; the undo restores those still minimized.
void minimize_all(platform::WindowSystem& ws, std::vector<WindowHandle>& minimized);
void undo_minimize_all(platform::WindowSystem& ws, std::vector<WindowHandle>& minimized);

// Lets hotkeys judge their window criteria by window search.
void install_window_search();

}  // namespace orv
