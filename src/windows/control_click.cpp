// ControlClick: mouse messages posted to a control (or to whatever child
// of the window lies at a position), so the real pointer never moves.
#include "windows/control_click.h"

#include "runtime/error_level.h"
#include "runtime/executor.h"
#include "runtime/numbers.h"
#include "windows/control_messages.h"
#include "windows/control_target.h"
#include "windows/window_commands.h"

namespace orv {

namespace {

bool signed_number(StringView s, int32_t& out) {
  int64_t n = 0;
  bool negative = !s.empty() && s[0] == u'-';
  if (!parse_int(negative ? s.substr(1) : s, n) || (!s.empty() && s[0] == u'+')) return false;
  out = int32_t(negative ? -n : n);
  return true;
}

bool axis_word(StringView word, int32_t& x, int32_t& y, bool& has_x, bool& has_y) {
  if (word.size() < 2) return false;
  char16_t axis = word[0] | 0x20;
  if (axis == u'x') return has_x = signed_number(word.substr(1), x);
  if (axis == u'y') return has_y = signed_number(word.substr(1), y);
  return false;
}

template <typename F>
bool each_word(StringView s, F f) {
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && is_blank(s[i])) ++i;
    size_t start = i;
    while (i < s.size() && !is_blank(s[i])) ++i;
    if (i > start && !f(s.substr(start, i - start))) return false;
  }
  return true;
}

intptr_t point_param(int32_t x, int32_t y) { return intptr_t((uint32_t(uint16_t(y)) << 16) | uint16_t(x)); }

}  // namespace

bool parse_position(StringView text, int32_t& x, int32_t& y) {
  bool has_x = false, has_y = false;
  return each_word(text, [&](StringView w) { return axis_word(w, x, y, has_x, has_y); }) && has_x && has_y;
}

bool parse_click(StringView button, StringView count, StringView options, ClickRequest& out) {
  static constexpr struct {
    StringView full, brief;
    uint32_t msg, flags, x_button;
    int32_t wheel;
  } kButtons[] = {
      {u"Left", u"L", wm::LButtonDown, wm::MkLButton, 0, 0},   {u"Right", u"R", wm::RButtonDown, wm::MkRButton, 0, 0},
      {u"Middle", u"M", wm::MButtonDown, wm::MkMButton, 0, 0}, {u"X1", u"X1", wm::XButtonDown, wm::MkXButton1, 1, 0},
      {u"X2", u"X2", wm::XButtonDown, wm::MkXButton2, 2, 0},   {u"WheelUp", u"WU", wm::MouseWheel, 0, 0, 1},
      {u"WheelDown", u"WD", wm::MouseWheel, 0, 0, -1},
  };
  button = trim(button);
  bool known = false;
  for (const auto& b : kButtons)
    if (button.empty() ? b.msg == wm::LButtonDown : equals_ignore_case(button, b.full) || equals_ignore_case(button, b.brief)) {
      out.down_msg = b.msg, out.key_flags = b.flags, out.x_button = b.x_button, out.wheel = b.wheel;
      known = true;
      break;
    }
  if (!known) return false;
  count = trim(count);
  if (!count.empty()) {
    int64_t n = 0;
    if (!parse_int(count, n) || n < 0) return false;
    out.count = int32_t(n);
  }
  return each_word(options, [&](StringView w) {
    if (equals_ignore_case(w, u"NA")) return out.no_activate = true;
    if (equals_ignore_case(w, u"D")) return out.down_only = true;
    if (equals_ignore_case(w, u"U")) return out.up_only = true;
    if (equals_ignore_case(w, u"Pos")) return out.position = true;
    return axis_word(w, out.x, out.y, out.has_x, out.has_y);
  });
}

// ControlClick [, Control-or-Pos, WinTitle, WinText, WhichButton, ClickCount, Options, ExcludeTitle, ExcludeText]
Result cmd_control_click(const ScriptLine&, ExpandedArgs& args) {
  platform::WindowSystem& d = desktop();
  ClickRequest req;
  if (!parse_click(arg_text(args, 3), arg_text(args, 4), arg_text(args, 5), req)) return set_error_level(1);
  WindowHandle w = target_window({arg_text(args, 1), arg_text(args, 2), arg_text(args, 6), arg_text(args, 7)});
  if (!w) return set_error_level(1);
  StringView name = arg_text(args, 0);
  WindowHandle c = req.position ? 0 : find_control(w, name, thread_search_context().settings);
  platform::WindowRect wr, cr;
  int32_t px = 0, py = 0;  // the point in screen coordinates
  if (!c) {
    // A position relative to the window names the child found there.
    if (!parse_position(name, px, py) || !d.rect(w, wr)) return set_error_level(1);
    px += wr.x, py += wr.y;
    int32_t cx = px, cy = py;
    c = d.to_client(w, cx, cy) ? d.child_at(w, cx, cy) : 0;
    if (!c) c = w;
  } else {
    if (!d.rect(c, cr)) return set_error_level(1);
    int32_t cx = cr.width / 2, cy = cr.height / 2;
    // Xn and Yn are in the control's client area, which the window rect's
    // corner is not: go through screen coordinates.
    int32_t ox = 0, oy = 0;
    d.to_client(c, ox, oy);
    px = req.has_x ? req.x - ox : cr.x + cx;
    py = req.has_y ? req.y - oy : cr.y + cy;
  }
  int32_t x = px, y = py;
  if (!d.to_client(c, x, y)) return set_error_level(1);
  uint32_t mine = d.current_thread_id(), theirs = d.thread_id(c);
  // Joined queues let the control see the button state the messages claim.
  bool attached = !req.no_activate && mine != theirs && d.attach_input(mine, theirs, true);
  if (req.wheel) {
    uint32_t delta = uint32_t(int32_t(120 * req.count * req.wheel)) & 0xFFFF;
    d.post(c, wm::MouseWheel, uintptr_t(delta << 16), point_param(px, py));
  } else {
    intptr_t at = point_param(x, y);
    uintptr_t down_w = req.key_flags | (req.x_button << 16), up_w = req.x_button << 16;
    d.post(c, wm::MouseMove, 0, at);
    for (int32_t i = 0; i < req.count; ++i) {
      if (!req.up_only) d.post(c, i % 2 ? req.down_msg + wm::kDoubleAfterDown : req.down_msg, down_w, at);
      if (!req.down_only) d.post(c, req.down_msg + wm::kUpAfterDown, up_w, at);
    }
  }
  if (attached) d.attach_input(mine, theirs, false);
  control_delay();
  return set_error_level(0);
}

}  // namespace orv
