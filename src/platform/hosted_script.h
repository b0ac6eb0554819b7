// The library build runs its script for a host: the text comes from the
// host instead of the program's resource, on a thread of the library's
// that becomes the script's main thread, and the end of the script ends
// only that thread, not the host's process. The headless host has no
// library build: there, nothing starts.
#pragma once

#include <cstdint>
#include <vector>

namespace orv::platform {

// Starts `entry` on the script's own thread, with `bytes` as the script
// text; false when a script was started before (a load of the library
// runs one) or the thread could not be made.
bool start_hosted_script(std::vector<uint8_t> bytes, int (*entry)());
// Closes the script as its user would (its exit callbacks run) and waits
// up to `timeout_ms` for its thread to end: the script's exit code, or -1
// when none was started or it is still running.
int end_hosted_script(uint32_t timeout_ms);

}  // namespace orv::platform
