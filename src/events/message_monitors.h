// OnMessage: functions that watch window messages of the program's windows
// and may answer them instead of the window.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "runtime/value.h"

namespace orv {

struct Func;

bool any_message_monitor();

// Offers a message to the monitors registered for it. True when one of
// them returned a value, which is then the message's result.
bool offer_to_monitors(uintptr_t window, uint32_t message, uintptr_t wparam, intptr_t lparam, bool queued,
                       uint32_t time, int32_t x, int32_t y, intptr_t& result);

}  // namespace orv
