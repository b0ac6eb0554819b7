#include "gui/gui_submit.h"

#include "gui/control_values.h"
#include "runtime/variable.h"

namespace orv {

namespace {

constexpr uint32_t WS_GROUP = 0x00020000;

bool starts_group(GuiWindow& g, size_t i) {
  return i == 0 || g.controls[i - 1].type != ControlType::Radio ||
         (platform::gui_system().style(g.controls[i].hwnd, false) & WS_GROUP);
}

}  // namespace

void radio_group(GuiWindow& g, size_t index, size_t& first, size_t& last) {
  first = last = index;
  while (!starts_group(g, first)) --first;
  while (last + 1 < g.controls.size() && g.controls[last + 1].type == ControlType::Radio && !starts_group(g, last + 1))
    ++last;
}

Result submit_gui(GuiWindow& g) {
  platform::GuiSystem& system = platform::gui_system();
  for (size_t i = 0; i < g.controls.size(); ++i) {
    GuiControl& c = g.controls[i];
    if (!c.var) continue;
    String value;
    if (c.type == ControlType::Radio) {
      // A group whose only variable is on one radio stores which radio of
      // the group is on, counted from 1 (0: none).
      size_t first = 0, last = 0;
      radio_group(g, i, first, last);
      bool shared = last > first;
      for (size_t j = first; j <= last && shared; ++j)
        if (j != i && g.controls[j].var) shared = false;
      if (shared) {
        int64_t on = 0;
        for (size_t j = first; j <= last && !on; ++j)
          if (system.check_state(g.controls[j].hwnd) == 1) on = int64_t(j - first + 1);
        if (!c.var->assign_int(on)) return ResultFailed;
        continue;
      }
    }
    if (!read_control_value(g, c, true, value)) continue;
    if (!c.var->assign(value)) return ResultFailed;
  }
  return ResultDone;
}

}  // namespace orv
