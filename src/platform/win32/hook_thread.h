// Whether the calling thread is the hook thread: code that may run there
// (window matching for hotkey criteria) must not send messages, or a busy
// main thread would stall the hook past the system's patience.
#pragma once

#include <cstdint>

namespace orv::platform {

bool on_hook_thread();

// Whether a hook of `hook_bit`'s kind is held by another program: this
// program's own mutex is let go of for the probe and taken again.
bool hook_of_another_program(uint8_t hook_bit);

// While the program sends a right Alt, `tag` (0: none) is what the keyboard
// hook gives the left Control that layouts with AltGr make along with it:
// that event carries no tag of its own, and must not pass for the user's.
void arm_lcontrol_tag(uintptr_t tag);

}  // namespace orv::platform
