// Whether the calling thread is the hook thread: code that may run there
// (window matching for hotkey criteria) must not send messages, or a busy
// main thread would stall the hook past the system's patience.
#pragma once

namespace orv::platform {

bool on_hook_thread();

}  // namespace orv::platform
