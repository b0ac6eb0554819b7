// What the Win32 side's own files share about MainWindow.
#pragma once

#include <windows.h>

namespace orv::platform {

// MainWindow's keyboard accelerators (the menu shortcuts); true when `msg`
// was one of them and has been handled.
bool translate_main_window_accelerator(MSG* msg);

}  // namespace orv::platform
