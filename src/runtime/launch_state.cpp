#include "runtime/launch_state.h"

namespace orv {

LaunchState g_launch;

}  // namespace orv
