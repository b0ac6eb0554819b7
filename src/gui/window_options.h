// The window options of Gui (+Resize -Caption +Owner2 ...) and the options
// of Gui Show.
#pragma once

#include <cstdint>
#include <optional>

#include "base/result.h"
#include "base/text.h"
#include "gui/gui_window.h"

namespace orv {

// Applies the options to the record, and to its window when it exists.
// Reports its own errors.
Result apply_window_options(const GuiRef& gui, StringView options);

struct ShowOptions {
  std::optional<int32_t> x, y, w, h;
  bool center_x = false, center_y = false, auto_size = false;
  enum class How : uint8_t { Default, Minimize, Maximize, Restore, NoActivate, NA, Hide } how = How::Default;
};
// False with the offending text in `culprit`.
bool parse_show_options(StringView text, ShowOptions& out, StringView& culprit);

// Shows the window as the options say, making it first when needed.
Result show_gui(const GuiRef& gui, const ShowOptions& options, StringView title);

}  // namespace orv
