// The headless host has no tray and shows no menus: its menus are records.
#include "platform/menus.h"

namespace orv::platform {

MenuSystem& menu_system() {
  static MenuSystem records;
  return records;
}

void set_tray_tip(StringView) {}
bool set_tray_icon_file(StringView file, int32_t, String& full_path) {
  full_path = String(file);
  return true;
}
void set_tray_icon_frozen(bool) {}
void set_tray_icon_visible(bool) {}

}  // namespace orv::platform
