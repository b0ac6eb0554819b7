// Settings the native host gives the headless platform before start-up.
#pragma once

#include "base/text.h"

namespace orv::platform {

// The script file the host runs; it stands in for the executable.
void set_script_path(StringView path);

}  // namespace orv::platform
