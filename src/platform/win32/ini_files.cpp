// Settings files through the system's profile functions, which take a bare
// name to mean a file in the Windows folder: every call first makes the
// name a full path, and one too long for those functions fails instead of
// being cut to a different file's name.
#include <windows.h>

#include <string>

#include "platform/ini_files.h"
#include "platform/win32/wide_text.h"

namespace orv::platform {

namespace {

bool full_path(StringView file, std::wstring& out) {
  std::wstring name;
  wide(file, name);
  if (name.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  DWORD needed = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return false;
  out.resize(needed);
  DWORD length = GetFullPathNameW(name.c_str(), needed, out.data(), nullptr);
  if (length == 0 || length >= needed) return false;
  out.resize(length);
  // The profile functions keep their paths in MAX_PATH buffers.
  if (length >= MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  return true;
}

// A list the system returns as strings each ended by a zero: asked again
// with twice the room while it fills the buffer (the system then reports
// two less than the size), since a cut list would drop entries.
template <typename Read>
String read_list(Read read) {
  std::wstring buffer(4096, L'\0');
  DWORD got;
  for (;;) {
    got = read(buffer.data(), DWORD(buffer.size()));
    if (got + 2 < buffer.size() || buffer.size() >= (1u << 28)) break;
    buffer.assign(buffer.size() * 2, L'\0');
  }
  String text(buffer.begin(), buffer.begin() + got);
  for (char16_t& c : text)
    if (c == u'\0') c = u'\n';
  return text;
}

// A new file starts as the UTF-16 mark and the section's header, so that
// the system writes it in UTF-16 from then on. CREATE_NEW: a file that
// appears meanwhile is another writer's, and is used as it is.
bool create_if_missing(const std::wstring& path, StringView section) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS;
  std::u16string start = u"\xFEFF[";
  start.append(section);
  start += u']';
  DWORD bytes = DWORD(start.size() * sizeof(char16_t)), put = 0;
  bool ok = WriteFile(h, start.data(), bytes, &put, nullptr) && put == bytes;
  DWORD error = GetLastError();
  CloseHandle(h);
  SetLastError(error);
  return ok;
}

// Writes reach the disk now rather than whenever the system's cache for
// the file is let go.
bool flushed(bool ok, const std::wstring& path) {
  DWORD error = GetLastError();
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());
  SetLastError(error);
  return ok;
}

}  // namespace

bool ini_read_key(StringView file, StringView section, StringView key, String& value) {
  std::wstring path, sec, name;
  if (!full_path(file, path)) return false;
  wide(section, sec);
  wide(key, name);
  std::wstring buffer(65536, L'\0');
  DWORD got = GetPrivateProfileStringW(sec.c_str(), name.c_str(), L"", buffer.data(), DWORD(buffer.size()), path.c_str());
  if (got == 0) {
    // Empty, or missing: a default no value can be (a present key gave it
    // back already) tells which.
    got = GetPrivateProfileStringW(sec.c_str(), name.c_str(), L"\x01", buffer.data(), DWORD(buffer.size()), path.c_str());
    if (got != 0) return false;
  }
  value.assign(buffer.begin(), buffer.begin() + got);
  return true;
}

String ini_read_section(StringView file, StringView section) {
  std::wstring path, sec;
  if (!full_path(file, path)) return String();
  wide(section, sec);
  return read_list([&](wchar_t* buf, DWORD size) { return GetPrivateProfileSectionW(sec.c_str(), buf, size, path.c_str()); });
}

String ini_read_section_names(StringView file) {
  std::wstring path;
  if (!full_path(file, path)) return String();
  return read_list([&](wchar_t* buf, DWORD size) { return GetPrivateProfileSectionNamesW(buf, size, path.c_str()); });
}

bool ini_write_key(StringView file, StringView section, StringView key, StringView value) {
  std::wstring path, sec, name, text;
  if (!full_path(file, path) || !create_if_missing(path, section)) return false;
  bool ok = WritePrivateProfileStringW(wide(section, sec), wide(key, name), wide(value, text), path.c_str()) != 0;
  return flushed(ok, path);
}

bool ini_write_section(StringView file, StringView section, StringView lines) {
  std::wstring path, sec, block;
  if (!full_path(file, path) || !create_if_missing(path, section)) return false;
  // The system takes the lines each ended by a zero, the list by another.
  wide(lines, block);
  for (wchar_t& c : block)
    if (c == L'\n') c = L'\0';
  block.push_back(L'\0');
  bool ok = WritePrivateProfileSectionW(wide(section, sec), block.c_str(), path.c_str()) != 0;
  return flushed(ok, path);
}

bool ini_delete_key(StringView file, StringView section, StringView key) {
  std::wstring path, sec, name;
  if (!full_path(file, path)) return false;
  bool ok = WritePrivateProfileStringW(wide(section, sec), wide(key, name), nullptr, path.c_str()) != 0;
  return flushed(ok, path);
}

bool ini_delete_section(StringView file, StringView section) {
  std::wstring path, sec;
  if (!full_path(file, path)) return false;
  bool ok = WritePrivateProfileStringW(wide(section, sec), nullptr, nullptr, path.c_str()) != 0;
  return flushed(ok, path);
}

}  // namespace orv::platform
