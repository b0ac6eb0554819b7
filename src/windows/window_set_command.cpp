// WinSet: how a window sits among the others and how it looks. Style,
// ExStyle and Region set ErrorLevel (1 when the window is missing or the
// change did not take); the other attributes leave it alone.
#include "base/messages.h"
#include "runtime/error_level.h"
#include "runtime/errors.h"
#include "runtime/executor.h"
#include "runtime/numbers.h"
#include "windows/window_actions.h"
#include "windows/window_commands.h"
#include "windows/window_set_values.h"
#include "windows/window_styles.h"

namespace orv {

namespace {

constexpr uint32_t kTopMostExStyle = 0x00000008;

bool set_always_on_top(WindowHandle w, StringView value) {
  platform::WindowSystem& d = desktop();
  bool on;
  if (equals_ignore_case(value, u"On") || value == u"1") on = true;
  else if (equals_ignore_case(value, u"Off") || value == u"0") on = false;
  else if (value.empty() || equals_ignore_case(value, u"Toggle") || value == u"-1") on = !(d.ex_style(w) & kTopMostExStyle);
  else return false;
  return d.place(w, on ? platform::ZOrder::TopMost : platform::ZOrder::NoTopMost);
}

// Transparent N (0-255) or Off; TransColor "Color [N]" or Off. Each keeps
// the other's setting.
bool set_look(WindowHandle w, bool color, StringView value) {
  platform::WindowSystem& d = desktop();
  platform::LayeredLook look;
  d.layered_look(w, look);
  bool off = equals_ignore_case(value, u"Off") || value.empty();
  if (!color) {
    int64_t alpha = 0;
    if (!off && (!parse_int(value, alpha) || alpha < 0 || alpha > 255)) return false;
    look.use_alpha = !off;
    look.alpha = off ? 255 : uint8_t(alpha);
  } else if (off) {
    look.use_color = false;
  } else {
    size_t blank = value.find_first_of(u" \t");
    StringView rest = blank == StringView::npos ? StringView() : trim(value.substr(blank));
    if (!parse_color(value.substr(0, blank), look.rgb)) return false;
    look.use_color = true;
    int64_t alpha = 0;
    if (!rest.empty()) {
      if (!parse_int(rest, alpha) || alpha < 0 || alpha > 255) return false;
      look.use_alpha = true, look.alpha = uint8_t(alpha);
    }
  }
  return d.set_layered_look(w, look);
}

}  // namespace

// WinSet, Attribute, Value [, WinTitle, WinText, ExcludeTitle, ExcludeText]
Result cmd_win_set(const ScriptLine&, ExpandedArgs& args) {
  static constexpr StringView kAttributes[] = {u"AlwaysOnTop", u"Topmost", u"Bottom", u"Top", u"Disable", u"Enable",
                                               u"Redraw", u"Style", u"ExStyle", u"Region", u"Transparent",
                                               u"TransColor"};
  StringView attr = trim(arg_text(args, 0)), value = trim(arg_text(args, 1));
  auto is = [&](StringView word) { return equals_ignore_case(attr, word); };
  bool known = false;
  for (StringView k : kAttributes) known = known || is(k);
  if (!known) return report_runtime_error(message(Msg::ParamInvalid2), attr);
  bool reports = is(u"Style") || is(u"ExStyle") || is(u"Region");
  WindowHandle w = target_window(query_of(args, 2));
  if (!w) return reports ? set_error_level(1) : ResultDone;
  platform::WindowSystem& d = desktop();
  bool ok = true;
  if (is(u"AlwaysOnTop") || is(u"Topmost")) ok = set_always_on_top(w, value);
  else if (is(u"Bottom")) ok = d.place(w, platform::ZOrder::Bottom);
  else if (is(u"Top")) ok = d.place(w, platform::ZOrder::Top);
  else if (is(u"Disable") || is(u"Enable")) ok = d.enable(w, is(u"Enable"));
  else if (is(u"Redraw")) ok = d.redraw(w);
  else if (is(u"Style") || is(u"ExStyle")) ok = change_style(w, is(u"ExStyle"), value);
  else if (is(u"Region")) {
    platform::WindowRegion region;
    ok = parse_region(value, region) && d.set_region(w, region);
  } else {
    ok = set_look(w, is(u"TransColor"), value);
  }
  return reports ? set_error_level(ok ? 0 : 1) : ResultDone;
}

}  // namespace orv
