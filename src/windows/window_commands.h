// What the window commands share: reading their four criteria strings,
// the handle as scripts see it, and the one call start-up makes.
#pragma once

#include "base/text.h"
#include "windows/window_finder.h"

namespace orv {

struct ExpandedArgs;

// Parameters first .. first+3 as WinTitle, WinText, ExcludeTitle, ExcludeText.
WindowQuery query_of(const ExpandedArgs& args, int first);

// Lower-case hexadecimal after 0x; 0x0 for no window.
String window_handle_text(WindowHandle w);

// Lets hotkeys judge their window criteria by window search.
void install_window_search();

}  // namespace orv
