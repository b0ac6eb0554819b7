// What the control commands share: finding the window and then the control
// their parameters name, the pause after a change (SetControlDelay), and
// the messages they send with the time-out a busy control is given.
#pragma once

#include "windows/control_names.h"
#include "windows/window_finder.h"

namespace orv {

struct ExpandedArgs;

// Parameter `control` names the control; `first`..`first+3` the window.
// 0 when either is missing.
WindowHandle control_of(const ExpandedArgs& args, int control, int first);
// The same for a query and name already taken apart.
WindowHandle control_of(const WindowQuery& query, StringView name);

// The thread's ControlDelay, skipped when it is negative.
void control_delay();

// A message to a control, answered within the hung-window time-out; `ok`
// says whether it was answered. The value is the answer (0 unanswered).
intptr_t ask(WindowHandle control, uint32_t msg, uintptr_t wparam = 0, intptr_t lparam = 0, bool* ok = nullptr);
intptr_t ask_text(WindowHandle control, uint32_t msg, uintptr_t wparam, StringView text, bool* ok = nullptr);
// Tells the control's parent, as the control itself would, that something
// happened to it (a WM_COMMAND notification).
void notify_parent(WindowHandle control, uint32_t code);

// Whether the control is a combo box (by its class name).
bool is_combo(WindowHandle control);

}  // namespace orv
