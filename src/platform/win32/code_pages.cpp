// Code-page conversion through the system's own tables.
#include <windows.h>

#include "platform/platform.h"

namespace orv::platform {

namespace {

bool convert_to(StringView text, uint32_t code_page, std::string& out) {
  // Best-fit look-alikes would turn text into something it never said;
  // UTF-8 and a few other code pages take no flags at all, which the
  // system reports as invalid flags.
  DWORD flags = code_page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const wchar_t* source = reinterpret_cast<const wchar_t*>(text.data());
  int length = int(text.size());
  int needed = WideCharToMultiByte(code_page, flags, source, length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0 && flags && GetLastError() == ERROR_INVALID_FLAGS) {
    flags = 0;
    needed = WideCharToMultiByte(code_page, flags, source, length, nullptr, 0, nullptr, nullptr);
  }
  if (needed <= 0) return false;
  out.resize(size_t(needed));
  return WideCharToMultiByte(code_page, flags, source, length, out.data(), needed, nullptr, nullptr) == needed;
}

bool convert_from(std::string_view bytes, uint32_t code_page, String& out, DWORD flags = 0) {
  int length = int(bytes.size());
  int needed = MultiByteToWideChar(code_page, flags, bytes.data(), length, nullptr, 0);
  if (needed <= 0) return false;
  out.resize(size_t(needed));
  return MultiByteToWideChar(code_page, flags, bytes.data(), length, reinterpret_cast<wchar_t*>(out.data()),
                             needed) == needed;
}

}  // namespace

bool text_to_code_page(StringView text, uint32_t code_page, std::string& out) {
  out.clear();
  // The system rejects empty input whatever the code page; a blank tells
  // whether the code page itself is usable.
  if (text.empty()) {
    std::string probe;
    return convert_to(u" ", code_page, probe);
  }
  return convert_to(text, code_page, out);
}

bool code_page_to_text(std::string_view bytes, uint32_t code_page, String& out) {
  out.clear();
  if (bytes.empty()) {
    String probe;
    return convert_from(" ", code_page, probe);
  }
  return convert_from(bytes, code_page, out);
}

bool code_page_to_text_strict(std::string_view bytes, uint32_t code_page, String& out) {
  out.clear();
  if (bytes.empty()) return true;
  if (convert_from(bytes, code_page, out, MB_ERR_INVALID_CHARS)) return true;
  // Some code pages (the ISO-2022 and UTF-7 forms among them) take no flags;
  // for those the system's own replacement has to do.
  return GetLastError() == ERROR_INVALID_FLAGS && convert_from(bytes, code_page, out);
}

uint32_t ansi_code_page() { return GetACP(); }

int code_page_lead_bytes(uint32_t code_page, uint8_t (&ranges)[12]) {
  CPINFO info;
  if (!GetCPInfo(code_page, &info) || info.MaxCharSize != 2) return 0;
  int pairs = 0;
  for (int i = 0; i + 1 < MAX_LEADBYTES && pairs < 6 && info.LeadByte[i]; i += 2, ++pairs) {
    ranges[2 * pairs] = info.LeadByte[i];
    ranges[2 * pairs + 1] = info.LeadByte[i + 1];
  }
  return pairs;
}

}  // namespace orv::platform
