// ControlClick's request as its parameters give it: which button (or the
// wheel), how many clicks, and the options NA, D, U, Pos and Xn/Yn.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace orv {

struct ClickRequest {
  uint32_t down_msg = 0;      // the button's down message (or the wheel's)
  uint32_t key_flags = 0;     // the button as the key-state flags name it
  uint32_t x_button = 0;      // 1 or 2 for the extra buttons
  int32_t wheel = 0;          // +1 up, -1 down, 0 for a button
  int32_t count = 1;
  bool no_activate = false;   // NA: no joining of input queues
  bool down_only = false, up_only = false;
  bool position = false;      // Pos: the control parameter is a position
  bool has_x = false, has_y = false;
  int32_t x = 0, y = 0;
};

// False for a button or option that means nothing.
bool parse_click(StringView button, StringView count, StringView options, ClickRequest& out);

// "X12 Y34" (either order, blanks between) as a position.
bool parse_position(StringView text, int32_t& x, int32_t& y);

}  // namespace orv
