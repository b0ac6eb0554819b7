// The clipboard as text (CF_UNICODETEXT), and as a whole (snapshots).
#include <windows.h>

#include <cstring>
#include <vector>

#include "base/clipboard_snapshot.h"

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

bool clipboard_snapshot(std::string& out) {
  out.clear();
  if (!open_clipboard()) return false;
  bool have_dib = false;
  for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
    // Formats the system makes from others (the ANSI and OEM texts) and
    // those that are GDI handles rather than memory are left out; of the
    // two device-independent bitmap forms only the first seen is kept.
    if (format == CF_TEXT || format == CF_BITMAP || format == CF_OEMTEXT || format == CF_ENHMETAFILE ||
        format == CF_DSPENHMETAFILE || format == CF_PALETTE || format == CF_METAFILEPICT || format == CF_DSPBITMAP ||
        format == CF_DSPMETAFILEPICT)
      continue;
    if (format == CF_DIB || format == CF_DIBV5) {
      if (have_dib) continue;
      have_dib = true;
    }
    HANDLE data = GetClipboardData(format);
    if (!data) continue;
    SIZE_T size = GlobalSize(data);
    const void* p = size ? GlobalLock(data) : nullptr;
    if (!p) continue;
    append_clipboard_record(out, format, p, size);
    GlobalUnlock(data);
  }
  CloseClipboard();
  finish_clipboard_snapshot(out);
  return true;
}

bool restore_clipboard_snapshot(const void* data, size_t size) {
  std::vector<ClipboardRecord> records;
  if (!read_clipboard_snapshot(data, size, records)) return false;
  if (!open_clipboard()) return false;
  bool ok = EmptyClipboard() != 0;
  for (const ClipboardRecord& r : records) {
    if (!ok) break;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, r.size ? r.size : 1);
    void* p = block ? GlobalLock(block) : nullptr;
    if (!p) {
      if (block) GlobalFree(block);
      ok = false;
      break;
    }
    if (r.size) std::memcpy(p, r.data, r.size);
    GlobalUnlock(block);
    // After a successful SetClipboardData the system owns the block.
    if (!SetClipboardData(r.format, block)) GlobalFree(block);
  }
  CloseClipboard();
  return ok;
}

}  // namespace orv::platform
