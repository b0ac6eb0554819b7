#include "platform/dispatch.h"

namespace orv::platform {

// Defined on every build, so that the object model fills it in the same
// way everywhere; only the Windows build has a COM face to read it.
DispatchBridge g_dispatch_bridge;

}  // namespace orv::platform
