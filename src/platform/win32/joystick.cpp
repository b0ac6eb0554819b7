#include "platform/joystick.h"

#include <windows.h>
#include <mmsystem.h>

namespace orv::platform {

uint32_t joystick_buttons(uint8_t index) {
  JOYINFOEX info = {};
  info.dwSize = sizeof info;
  info.dwFlags = JOY_RETURNBUTTONS;
  if (joyGetPosEx(index, &info) != JOYERR_NOERROR) return 0;
  return uint32_t(info.dwButtons);
}

}  // namespace orv::platform
