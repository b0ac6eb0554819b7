// The headless host's script windows are records (platform/gui_system.cpp).
#include "platform/gui_system.h"

namespace orv::platform {

GuiSystem& gui_system() {
  static GuiSystem records;
  return records;
}

}  // namespace orv::platform
