// The tray icon as the script has set it up, for the built-in variables that
// report it. The tray menu's Icon and Tip sub-commands change it.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace orv {

struct TrayIconSettings {
  String file;             // full path of a custom icon; empty: the built-in one
  int32_t number = 0;      // of the icon in `file`
  String tip;              // a custom tip; empty: the default (the script's name)
  bool hidden = false;     // #NoTrayIcon, or hidden by the script
};

extern TrayIconSettings g_tray_icon;

}  // namespace orv
