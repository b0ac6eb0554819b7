// Naming a window's controls: by ClassNN (the class and the instance's
// number among the window's controls of that class, in the order the
// system lists them), by text, or by handle (orv_id).
#pragma once

#include <vector>

#include "windows/window_search.h"

namespace orv {

using platform::WindowHandle;

// The ClassNN of each of `controls` (a window's descendants in order).
void class_nn_names(const std::vector<WindowHandle>& controls, std::vector<String>& out);
// The ClassNN of one of `window`'s controls; empty when it is none of them.
String class_nn_of(WindowHandle window, WindowHandle control);

// The control of `window` that `name` names: blank names the window itself;
// "orv_id N" a handle that must be the window or one of its controls; then
// a ClassNN; then the first control whose text matches per the title-match
// mode. 0 when there is none.
WindowHandle find_control(WindowHandle window, StringView name, const SearchSettings& settings);

}  // namespace orv
