// The object model's side of the COM face of script objects: what the
// platform's IDispatch companions call to reach an object and run its code.
#pragma once

namespace orv {

// Fills in platform::g_dispatch_bridge; start-up calls it along with
// install_object_model.
void install_dispatch_bridge();

}  // namespace orv
