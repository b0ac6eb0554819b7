// The clipboard as text (CF_UNICODETEXT).
#include <windows.h>

#include <cstring>

#include "platform/platform.h"

namespace orv::platform {

namespace {

// Another program may hold the clipboard for a moment (clipboard managers
// read every change), so opening is retried for a short while.
bool open_clipboard() {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (OpenClipboard(reinterpret_cast<HWND>(main_window()))) return true;
    Sleep(20);
  }
  return false;
}

}  // namespace

bool clipboard_text(String& out) {
  out.clear();
  if (!open_clipboard()) return false;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (auto* p = static_cast<const char16_t*>(GlobalLock(data))) {
      // The block may be larger than the text, and a foreign program may
      // have left out the terminator: stop at whichever comes first.
      size_t max = GlobalSize(data) / sizeof(char16_t);
      size_t n = 0;
      while (n < max && p[n]) ++n;
      out.assign(p, n);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return true;
}

bool set_clipboard_text(StringView text) {
  if (!open_clipboard()) return false;
  bool ok = EmptyClipboard() != 0;
  if (ok && !text.empty()) {
    ok = false;
    if (HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(char16_t))) {
      if (auto* p = static_cast<char16_t*>(GlobalLock(block))) {
        std::memcpy(p, text.data(), text.size() * sizeof(char16_t));
        p[text.size()] = 0;
        GlobalUnlock(block);
        ok = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
      }
      // After a successful SetClipboardData the system owns the block.
      if (!ok) GlobalFree(block);
    }
  }
  CloseClipboard();
  return ok;
}

}  // namespace orv::platform
