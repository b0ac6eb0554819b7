#include "runtime/stack_guard.h"

#include "platform/platform.h"

namespace orv {

namespace {

// A quarter of the stack, and not less than this unless the stack is small
// (then half of it): the engine's frames for the deepest nesting of blocks
// the loader lets through, with room for the work of one line, in the build
// with the largest frames (sanitizers, no optimisation).
constexpr uintptr_t kMinReserve = uintptr_t(4) << 20;

}  // namespace

uintptr_t g_stack_floor = 0;

void use_this_thread_stack() {
  uintptr_t low = 0, high = 0;
  if (!platform::thread_stack_bounds(low, high)) {
    g_stack_floor = 0;
    return;
  }
  uintptr_t size = high - low;
  uintptr_t reserve = size / 4;
  if (reserve < kMinReserve) reserve = kMinReserve < size / 2 ? kMinReserve : size / 2;
  g_stack_floor = low + reserve;
}

}  // namespace orv
