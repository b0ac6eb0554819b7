#include "input/mouse_input.h"

#include <cmath>
#include <cstdlib>

#include "input/key_codes.h"
#include "runtime/numbers.h"

namespace orv {

using platform::InputEvent;

namespace {

struct ButtonName {
  const char16_t* name;
  uint8_t vk;
};

const ButtonName kButtons[] = {
    {u"Left", vk::LButton},  {u"L", vk::LButton},        {u"Right", vk::RButton},        {u"R", vk::RButton},
    {u"Middle", vk::MButton}, {u"M", vk::MButton},       {u"X1", vk::XButton1},          {u"X2", vk::XButton2},
    {u"WheelUp", vk::WheelUp}, {u"WU", vk::WheelUp},     {u"WheelDown", vk::WheelDown},  {u"WD", vk::WheelDown},
    {u"WheelLeft", vk::WheelLeft}, {u"WL", vk::WheelLeft}, {u"WheelRight", vk::WheelRight}, {u"WR", vk::WheelRight},
    {u"LButton", vk::LButton}, {u"RButton", vk::RButton}, {u"MButton", vk::MButton},
    {u"XButton1", vk::XButton1}, {u"XButton2", vk::XButton2},
};

// A number of the Click grammar: decimal (with fraction and exponent) or
// 0x hexadecimal, with an optional sign.
bool click_number(StringView word, int32_t& out) {
  if (word.empty()) return false;
  char16_t c = word[0] == u'-' || word[0] == u'+' ? (word.size() > 1 ? word[1] : 0) : word[0];
  if (!(c >= u'0' && c <= u'9') && c != u'.') return false;
  NumType type = numeric_type_of(word);
  if (type == NumType::NotNumeric) return false;
  double v = type == NumType::Integer ? double(text_to_int(word)) : text_to_double(word);
  if (v > INT32_MAX) v = INT32_MAX;
  if (v < -INT32_MAX) v = -INT32_MAX;
  out = int32_t(v);
  return true;
}

void button_bits(uint8_t button, bool swapped, uint32_t& down, uint32_t& up, int32_t& data) {
  data = 0;
  switch (button) {
    case vk::LButton: down = swapped ? platform::MouseRightDown : platform::MouseLeftDown; break;
    case vk::RButton: down = swapped ? platform::MouseLeftDown : platform::MouseRightDown; break;
    case vk::MButton: down = platform::MouseMiddleDown; break;
    default: down = platform::MouseXDown; data = button == vk::XButton1 ? 1 : 2; break;
  }
  up = down << 1;
}

void move_event(SendOutput& out, int32_t x, int32_t y) {
  InputEvent e;
  e.kind = InputEvent::Kind::Mouse;
  e.mouse = platform::MouseMove | platform::MouseAbsolute;
  e.x = x;
  e.y = y;
  out.push(e);
  if (out.delivery != Delivery::Single) {
    out.batch_moved = true;
    out.batch_x = x;
    out.batch_y = y;
  }
}

}  // namespace

uint8_t button_of_name(StringView name) {
  name = trim(name);
  if (name.empty()) return vk::LButton;
  for (const ButtonName& b : kButtons)
    if (equals_ignore_case(name, b.name)) return b.vk;
  return 0;
}

bool parse_click_text(StringView text, MouseOp& op) {
  int numbers = 0;
  int32_t n[3] = {};
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t' || text[i] == u',')) ++i;
    size_t start = i;
    while (i < text.size() && text[i] != u' ' && text[i] != u'\t' && text[i] != u',') ++i;
    if (i == start) break;
    StringView word = text.substr(start, i - start);
    int32_t v;
    if (click_number(word, v)) {
      if (numbers < 3) n[numbers++] = v;
      continue;
    }
    if (uint8_t b = button_of_name(word)) {
      op.button = b;
      continue;
    }
    switch (upper_case(word[0])) {
      case u'D': op.action = ButtonAction::Down; break;
      case u'U': op.action = ButtonAction::Up; break;
      case u'R': op.relative = true; break;
      default: return false;
    }
  }
  if (numbers == 1) {
    op.count = uint32_t(n[0] < 0 ? 0 : n[0]);
  } else if (numbers >= 2) {
    op.x = n[0];
    op.y = n[1];
    if (numbers == 3) op.count = uint32_t(n[2] < 0 ? 0 : n[2]);
  }
  return true;
}

void mouse_move(SendOutput& out, const MouseOp& op) {
  int32_t x, y;
  (void)move_to(out, op, x, y);
}

bool move_to(SendOutput& out, const MouseOp& op, int32_t& to_x, int32_t& to_y) {
  if (op.x == kCurrentPos && op.y == kCurrentPos) return false;
  int32_t from_x = out.batch_x, from_y = out.batch_y;
  if (!out.batch_moved) out.sender.cursor_pos(from_x, from_y);
  to_x = op.x == kCurrentPos ? (op.relative ? 0 : from_x) : op.x;
  to_y = op.y == kCurrentPos ? (op.relative ? 0 : from_y) : op.y;
  if (op.relative) {
    to_x += from_x;
    to_y += from_y;
  }
  // Batches carry no waits between steps: SendInput moves at once.
  int32_t speed = out.delivery == Delivery::Batch ? 0 : op.speed < 0 ? 0 : op.speed > 100 ? 100 : op.speed;
  if (speed > 0) {
    // Steps of about 10 ms, the whole move taking longer the higher the
    // speed number, slowing down towards the end; never more steps than
    // pixels to go.
    double dx = to_x - from_x, dy = to_y - from_y;
    double distance = std::sqrt(dx * dx + dy * dy);
    int steps = 1 + speed / 2;
    if (steps > int(distance / 2)) steps = int(distance / 2);
    for (int s = 1; s < steps; ++s) {
      double t = double(s) / steps;
      double eased = 1 - (1 - t) * (1 - t);
      move_event(out, from_x + int32_t(std::lround(dx * eased)), from_y + int32_t(std::lround(dy * eased)));
      out.pause(10);
    }
  }
  move_event(out, to_x, to_y);
  out.pause(op.delay);
  return true;
}

void mouse_click(SendOutput& out, const MouseOp& op) {
  int32_t x = 0, y = 0;
  bool moved = move_to(out, op, x, y);
  if (is_wheel_vk(op.button)) {
    if (op.count == 0) return;
    InputEvent e;
    e.kind = InputEvent::Kind::Mouse;
    bool vertical = op.button == vk::WheelUp || op.button == vk::WheelDown;
    e.mouse = vertical ? platform::MouseWheel : platform::MouseHWheel;
    int64_t delta = int64_t(op.count) * 120;
    if (delta > INT32_MAX) delta = INT32_MAX / 120 * 120;
    e.data = int32_t(op.button == vk::WheelDown || op.button == vk::WheelLeft ? -delta : delta);
    out.push(e);
    out.pause(op.delay);
    return;
  }
  uint32_t down = 0, up = 0;
  int32_t data = 0;
  button_bits(op.button, out.sender.buttons_swapped(), down, up, data);
  uint32_t times = op.action == ButtonAction::Click ? op.count : (op.count ? 1 : 0);
  for (uint32_t i = 0; i < times && !out.out_of_memory; ++i) {
    InputEvent e;
    e.kind = InputEvent::Kind::Mouse;
    e.data = data;
    if (moved) {
      // The point travels with the button too: a system that is slow to
      // take the pointer's move still presses where the move went.
      e.mouse = platform::MouseMove | platform::MouseAbsolute;
      e.x = x;
      e.y = y;
    }
    uint32_t move_bits = e.mouse;
    if (op.action != ButtonAction::Up) {
      e.mouse = move_bits | down;
      out.push(e);
      out.pause(op.delay);
    }
    if (op.action != ButtonAction::Down) {
      e.mouse = move_bits | up;
      out.push(e);
      out.pause(op.delay);
    }
  }
}

}  // namespace orv
