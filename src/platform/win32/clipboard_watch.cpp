#include <windows.h>

#include "platform/clipboard_watch.h"
#include "platform/platform.h"

namespace orv::platform {

namespace {
bool g_watching = false;
}  // namespace

bool watch_clipboard(bool on) {
  HWND main = reinterpret_cast<HWND>(main_window());
  if (!main || on == g_watching) return on == g_watching;
  bool ok = on ? AddClipboardFormatListener(main) : RemoveClipboardFormatListener(main);
  if (ok) g_watching = on;
  return ok;
}

int clipboard_content_kind() {
  if (CountClipboardFormats() == 0) return 0;
  if (IsClipboardFormatAvailable(CF_UNICODETEXT) || IsClipboardFormatAvailable(CF_TEXT) ||
      IsClipboardFormatAvailable(CF_HDROP))
    return 1;
  return 2;
}

}  // namespace orv::platform
