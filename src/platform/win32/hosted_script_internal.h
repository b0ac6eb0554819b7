// What the process's start-up and exit need to know of a hosted script
// (platform/hosted_script.h): its text, or null when the program runs its
// own resource as usual.
#pragma once

#include <cstdint>
#include <vector>

namespace orv::platform {

const std::vector<uint8_t>* hosted_script_bytes();

// Once a hosted script has ended, the host may unload the library: nothing
// of the process may still point into it (crash_handler.cpp).
void remove_access_violation_handler();

}  // namespace orv::platform
