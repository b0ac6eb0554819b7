// Gui Add: a new control in a script window.
#pragma once

#include "base/result.h"
#include "base/text.h"
#include "gui/control_options.h"
#include "gui/gui_window.h"

namespace orv {

// Reports its own errors; nothing is made when it fails.
Result add_control(const GuiRef& gui, ControlType type, StringView options, StringView text);

// The variable a v option names, checked as Gui Add checks it: global or
// static, and no other control of the window uses it (`self` aside).
// Reports its own errors.
Result control_variable(GuiWindow& gui, const GuiControl* self, StringView name, Variable*& out);
// The handler a g option names (a label, else a function); gCancel hides
// the window. Reports its own errors.
Result control_handler(ControlType type, StringView name, Callable& out, bool& cancel);

// Options that apply to a control as it is, for Add and GuiControl +/-.
void apply_control_states(GuiWindow& gui, GuiControl& control, const ControlOptions& options);

}  // namespace orv
