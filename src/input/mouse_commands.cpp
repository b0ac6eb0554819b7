// The mouse commands: Click, MouseMove, MouseClick and MouseClickDrag.
// They go by the thread's SendMode like Send, by its mouse delay and
// default speed, and take coordinates as CoordMode Mouse says.
#include "base/messages.h"
#include "input/hook_events.h"
#include "input/key_codes.h"
#include "input/mouse_input.h"
#include "input/send_keys.h"
#include "platform/window_system.h"
#include "runtime/errors.h"
#include "runtime/executor.h"
#include "runtime/numbers.h"
#include "runtime/thread_settings.h"

namespace orv {

namespace {

// A point of the thread's coordinate mode on the screen.
void to_screen(int32_t& x, int32_t& y) {
  CoordMode mode = g_thread->coord_mode(CoordTarget::Mouse);
  if (mode == CoordMode::Screen) return;
  platform::WindowSystem& ws = platform::window_system();
  platform::WindowHandle w = ws.foreground();
  if (!w) return;
  int32_t ox = 0, oy = 0;
  if (mode == CoordMode::Client) {
    // The client origin: screen 0,0 in client terms, negated.
    if (!ws.to_client(w, ox, oy)) return;
    ox = -ox;
    oy = -oy;
  } else {
    platform::WindowRect r;
    if (!ws.rect(w, r)) return;
    ox = r.x;
    oy = r.y;
  }
  if (x != kCurrentPos) x += ox;
  if (y != kCurrentPos) y += oy;
}

// Runs `ops` as one mouse command: one SendOutput, the thread's mode.
template <typename F>
Result mouse_command(F ops) {
  ThreadSettings& t = *g_thread;
  Delivery delivery = delivery_for(t.send_mode, true);
  SendOutput out(platform::input_sender(), delivery, event_tag::kLevel0 - uintptr_t(t.send_level));
  int32_t delay = delivery == Delivery::Single ? t.mouse_delay : delivery == Delivery::Play ? t.mouse_delay_play : -1;
  if (delivery == Delivery::Single) use_pump_waits(out);
  {
    InputBlock block(delivery == Delivery::Single && (g_block_input_mode & BlockDuringMouse));
    ops(out, delay);
    out.finish();
  }
  if (out.out_of_memory) return report_runtime_error(message(Msg::OutOfMemory));
  return ResultDone;
}

// An optional coordinate parameter: blank is the current position.
int32_t coordinate(StringView text) {
  text = trim(text);
  if (text.empty()) return kCurrentPos;
  int64_t v = text_to_int(text);
  return int32_t(v > INT32_MAX ? INT32_MAX : v < -INT32_MAX ? -INT32_MAX : v);
}

int32_t speed_of(StringView text) {
  text = trim(text);
  if (text.empty()) return g_thread->default_mouse_speed;
  int64_t v = text_to_int(text);
  return int32_t(v < 0 ? 0 : v > 100 ? 100 : v);
}

bool is_relative(StringView text) { return equals_ignore_case(trim(text), u"R"); }

void place(MouseOp& op) {
  if (!op.relative) to_screen(op.x, op.y);
}

}  // namespace

// Click [, Options]: X Y, count, button, Down/Up, Relative, in any order.
Result cmd_click(const ScriptLine&, ExpandedArgs& args) {
  MouseOp op;
  op.speed = g_thread->default_mouse_speed;
  if (!parse_click_text(arg_text(args, 0), op)) return report_runtime_error(message(Msg::ParamInvalid1), arg_text(args, 0));
  place(op);
  return mouse_command([&](SendOutput& out, int32_t delay) {
    op.delay = delay;
    mouse_click(out, op);
  });
}

// MouseMove, X, Y [, Speed, R].
Result cmd_mouse_move(const ScriptLine&, ExpandedArgs& args) {
  MouseOp op;
  op.x = coordinate(arg_text(args, 0));
  op.y = coordinate(arg_text(args, 1));
  op.speed = speed_of(arg_text(args, 2));
  op.relative = is_relative(arg_text(args, 3));
  place(op);
  return mouse_command([&](SendOutput& out, int32_t delay) {
    op.delay = delay;
    mouse_move(out, op);
  });
}

// MouseClick [, Button, X, Y, ClickCount, Speed, D|U, R].
Result cmd_mouse_click(const ScriptLine&, ExpandedArgs& args) {
  MouseOp op;
  op.button = button_of_name(arg_text(args, 0));
  if (!op.button) return report_runtime_error(message(Msg::ParamInvalid1), arg_text(args, 0));
  op.x = coordinate(arg_text(args, 1));
  op.y = coordinate(arg_text(args, 2));
  StringView count = trim(arg_text(args, 3));
  if (!count.empty()) {
    int64_t n = text_to_int(count);
    op.count = uint32_t(n < 0 ? 0 : n > INT32_MAX ? INT32_MAX : n);
  }
  op.speed = speed_of(arg_text(args, 4));
  StringView action = trim(arg_text(args, 5));
  if (!action.empty()) {
    char16_t c = upper_case(action[0]);
    if (c == u'D') op.action = ButtonAction::Down;
    else if (c == u'U') op.action = ButtonAction::Up;
    else return report_runtime_error(message(Msg::InvalidValue), action);
  }
  op.relative = is_relative(arg_text(args, 6));
  place(op);
  return mouse_command([&](SendOutput& out, int32_t delay) {
    op.delay = delay;
    mouse_click(out, op);
  });
}

// MouseClickDrag, Button, X1, Y1, X2, Y2 [, Speed, R]: blank X1 and Y1
// start where the pointer is.
Result cmd_mouse_click_drag(const ScriptLine&, ExpandedArgs& args) {
  MouseOp from;
  from.button = button_of_name(arg_text(args, 0));
  if (!from.button || is_wheel_vk(from.button))
    return report_runtime_error(message(Msg::ParamInvalid1), arg_text(args, 0));
  from.x = coordinate(arg_text(args, 1));
  from.y = coordinate(arg_text(args, 2));
  from.speed = speed_of(arg_text(args, 5));
  from.relative = is_relative(arg_text(args, 6));
  from.action = ButtonAction::Down;
  MouseOp to = from;
  to.x = coordinate(arg_text(args, 3));
  to.y = coordinate(arg_text(args, 4));
  to.action = ButtonAction::Up;
  place(from);
  place(to);
  return mouse_command([&](SendOutput& out, int32_t delay) {
    from.delay = to.delay = delay;
    mouse_click(out, from);
    mouse_click(out, to);
  });
}

}  // namespace orv
