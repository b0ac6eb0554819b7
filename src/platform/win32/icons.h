// Icons out of files, for the tray and for menu items.
#pragma once

#include <windows.h>

#include <string>

namespace orv::platform {

// Icon `number` (from 1; negative: the resource id) of an icon file, an
// executable or a library, `size` pixels square; null when there is none.
HICON load_file_icon(const std::wstring& file, int number, int size);

// The icon drawn into a 32-bit bitmap with an alpha channel, as menus
// show beside an item's text; null on failure.
HBITMAP icon_to_bitmap(HICON icon, int size);

}  // namespace orv::platform
