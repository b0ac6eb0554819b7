// The key events of one send: each item of a read key string typed by
// the layout's keys, Unicode packets or messages to a control, with the
// modifiers brought to what each key needs, and those the user held given
// back at the end. Where the events go is the SendOutput's business.
#pragma once

#include <cstdint>

#include "input/key_codes.h"
#include "input/send_output.h"

namespace orv {

class KeyboardLayout;
struct SendText;

// The modifier keys in left/right bit order.
inline constexpr uint8_t kModifierVks[8] = {vk::LControl, vk::RControl, vk::LAlt, vk::RAlt,
                                            vk::LShift,   vk::RShift,   vk::LWin, vk::RWin};

// How one send goes, as worked out from the thread's settings, the method
// and the keys held as it begins.
struct SendPlan {
  Delivery delivery = Delivery::Single;
  int32_t key_delay = -1, press_duration = -1, mouse_delay = -1;
  bool store_capslock = true;
  uint8_t modifiers_down = 0;     // logically down as the send begins
  uint8_t assume_released = 0;    // the user has surely let go of these by the end
  bool hook_watches_keyboard = false;
  uint8_t mask_vk = vk::LControl;  // #MenuMaskKey
  uint16_t mask_sc = 0;
};

// Sends the items of `text`. `held` is what "Down" holds, kept between the
// sends of a thread.
void send_items(SendOutput& out, const KeyboardLayout& layout, const SendPlan& plan, const SendText& text,
                uint8_t& held);

}  // namespace orv
