// What the process's start-up and exit need to know of a hosted script
// (platform/hosted_script.h): its text, or null when the program runs its
// own resource as usual.
#pragma once

#include <cstdint>
#include <vector>

namespace orv::platform {

const std::vector<uint8_t>* hosted_script_bytes();

}  // namespace orv::platform
