// The headless host sees no keyboard and no mouse: no hook to install.
#include "platform/input_hook.h"

namespace orv::platform {

bool input_hooks_supported() { return false; }

uint8_t set_input_hooks(uint8_t, InputEventHandler, void (*)()) { return 0; }

bool run_on_hook_thread(void (*task)(void*), void* data) {
  task(data);
  return true;
}

void set_block_mouse_move(bool) {}

void send_key_event(uint8_t, uint16_t, bool, uintptr_t) {}

bool send_message_timeout(uintptr_t, uint32_t, uintptr_t, intptr_t, uint32_t, intptr_t& result) {
  result = 0;
  return false;
}

}  // namespace orv::platform
