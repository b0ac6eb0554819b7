#include "platform/window_system.h"

namespace orv::platform {

// The headless host has no desktop: the base class's answers (no window
// exists, nothing can be done to one) are exactly its own.
WindowSystem& window_system() {
  static WindowSystem none;
  return none;
}

}  // namespace orv::platform
