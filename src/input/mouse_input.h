// Mouse input: the Click grammar, button names, and moves and clicks
// written to a SendOutput, so that Click, MouseClick, MouseMove and a
// {Click} inside a key string share one way of doing them.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "input/send_output.h"

namespace orv {

// A coordinate the command left out: the pointer's current position.
inline constexpr int32_t kCurrentPos = INT32_MIN;

enum class ButtonAction : uint8_t { Click, Down, Up };

struct MouseOp {
  uint8_t button = 0x01;  // a mouse virtual key (LButton ... XButton2) or a wheel key
  int32_t x = kCurrentPos, y = kCurrentPos;  // screen coordinates, or offsets when relative
  bool relative = false;
  uint32_t count = 1;     // clicks, or wheel notches
  ButtonAction action = ButtonAction::Click;
  int32_t speed = 0;      // 0 to 100; 0 moves at once
  int32_t delay = -1;     // after each event: -1 none, 0 a yield
};

// A button as a script names it (Left, L, Right, R, Middle, M, X1, X2,
// WheelUp ...; empty: Left) as its virtual key; 0 when it is none.
uint8_t button_of_name(StringView name);

// The Click grammar: numbers for X, Y and the count, a button name, and D,
// U, R words. Coordinates read are as written (not yet on the screen).
bool parse_click_text(StringView text, MouseOp& op);

// The pointer moves to the op's point (when it has one) in steps at its
// speed, then the button is pressed and/or released count times (the
// wheel turns count notches). Left and right follow the system's swap of
// the buttons.
void mouse_click(SendOutput& out, const MouseOp& op);
// Only the move of mouse_click.
void mouse_move(SendOutput& out, const MouseOp& op);
// The same, telling where the pointer went; false when the op has no point.
bool move_to(SendOutput& out, const MouseOp& op, int32_t& x, int32_t& y);

}  // namespace orv
