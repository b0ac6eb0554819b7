// Files and folders by name on Windows: each call is the system's own.
#include <windows.h>

#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/win32/owned_handle.h"
#include "platform/win32/wide_text.h"

namespace orv::platform {

namespace {

int64_t to_int(const FILETIME& ft) { return int64_t((uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime); }

FILETIME to_filetime(int64_t t) {
  FILETIME ft;
  ft.dwLowDateTime = DWORD(uint64_t(t));
  ft.dwHighDateTime = DWORD(uint64_t(t) >> 32);
  return ft;
}

String from_wide(const wchar_t* text, size_t n) { return String(reinterpret_cast<const char16_t*>(text), n); }

// A path a path call of the system returns: it says how long a buffer it
// needs when the first is too short.
template <typename Call>
String path_from(Call call) {
  wchar_t small[MAX_PATH + 1];
  DWORD n = call(small, MAX_PATH + 1);
  if (n == 0) return String();
  if (n <= MAX_PATH) return from_wide(small, n);
  std::wstring big(n, L'\0');
  DWORD m = call(big.data(), n);
  if (m == 0 || m >= n) return String();
  return from_wide(big.data(), m);
}

// What a listing and an attribute query both say of an entry, in fields of
// the same names.
template <typename Data>
void describe(const Data& d, DirEntry& e) {
  e.is_directory = (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  e.attributes = d.dwFileAttributes;
  e.size = (uint64_t(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
  e.created = to_int(d.ftCreationTime);
  e.modified = to_int(d.ftLastWriteTime);
  e.accessed = to_int(d.ftLastAccessTime);
}

// Windows never replaces a read-only file; Wine would, so it is asked first.
bool read_only_in_the_way(const wchar_t* to) {
  DWORD attributes = GetFileAttributesW(to);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return false;
  SetLastError(ERROR_ACCESS_DENIED);
  return true;
}

}  // namespace

bool list_directory(StringView directory, StringView pattern, std::vector<DirEntry>& out) {
  std::wstring search(directory.begin(), directory.end());
  if (!search.empty() && search.back() != L'\\' && search.back() != L'/') search += L'\\';
  search.append(pattern.begin(), pattern.end());
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(search.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    if (lstrcmpW(fd.cFileName, L".") == 0 || lstrcmpW(fd.cFileName, L"..") == 0) continue;
    DirEntry e;
    e.name = String(reinterpret_cast<const char16_t*>(fd.cFileName));
    describe(fd, e);
    out.push_back(std::move(e));
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return true;
}

bool path_entry(StringView path, DirEntry& out) {
  std::wstring buf;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (path.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  if (!GetFileAttributesExW(wide(path, buf), GetFileExInfoStandard, &data)) return false;
  describe(data, out);
  return true;
}

bool delete_file(StringView path) {
  std::wstring buf;
  return DeleteFileW(wide(path, buf)) != 0;
}

bool copy_file(StringView from, StringView to, bool replace) {
  std::wstring a, b;
  if (replace && read_only_in_the_way(wide(to, b))) return false;
  return CopyFileW(wide(from, a), wide(to, b), !replace) != 0;
}

bool move_file(StringView from, StringView to, bool replace) {
  std::wstring a, b;
  DWORD flags = MOVEFILE_COPY_ALLOWED | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  if (replace && read_only_in_the_way(wide(to, b))) return false;
  return MoveFileExW(wide(from, a), wide(to, b), flags) != 0;
}

bool rename_path(StringView from, StringView to) {
  std::wstring a, b;
  return MoveFileExW(wide(from, a), wide(to, b), 0) != 0;
}

bool create_directory(StringView path) {
  std::wstring buf;
  return CreateDirectoryW(wide(path, buf), nullptr) != 0;
}

bool remove_directory(StringView path) {
  std::wstring buf;
  return RemoveDirectoryW(wide(path, buf)) != 0;
}

bool set_file_attributes(StringView path, uint32_t attributes) {
  std::wstring buf;
  return SetFileAttributesW(wide(path, buf), attributes) != 0;
}

bool set_file_times(StringView path, const int64_t* created, const int64_t* modified, const int64_t* accessed) {
  std::wstring buf;
  // Backup semantics: folders open too.
  OwnedFile file(CreateFileW(wide(path, buf), FILE_WRITE_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return false;
  FILETIME c, m, a;
  if (created) c = to_filetime(*created);
  if (modified) m = to_filetime(*modified);
  if (accessed) a = to_filetime(*accessed);
  return SetFileTime(file.get(), created ? &c : nullptr, accessed ? &a : nullptr, modified ? &m : nullptr) != 0;
}

bool local_time_to_file_time(const CalendarTime& local, int64_t& out) {
  SYSTEMTIME st{};
  st.wYear = WORD(local.year);
  st.wMonth = WORD(local.month);
  st.wDay = WORD(local.day);
  st.wHour = WORD(local.hour);
  st.wMinute = WORD(local.minute);
  st.wSecond = WORD(local.second);
  st.wMilliseconds = WORD(local.millisecond);
  FILETIME local_ft, utc;
  // The inverse of file_time_text's FileTimeToLocalFileTime: the same bias.
  if (!SystemTimeToFileTime(&st, &local_ft) || !LocalFileTimeToFileTime(&local_ft, &utc)) return false;
  out = to_int(utc);
  return true;
}

String long_path(StringView path) {
  std::wstring buf;
  const wchar_t* p = wide(path, buf);
  String full = path_from([&](wchar_t* out, DWORD n) { return GetFullPathNameW(p, n, out, nullptr); });
  if (full.empty()) return full;
  std::wstring full_buf;
  const wchar_t* f = wide(full, full_buf);
  String longer = path_from([&](wchar_t* out, DWORD n) { return GetLongPathNameW(f, out, n); });
  return longer.empty() ? full : longer;
}

String short_path(StringView path) {
  std::wstring buf;
  const wchar_t* p = wide(path, buf);
  String shorter = path_from([&](wchar_t* out, DWORD n) { return GetShortPathNameW(p, out, n); });
  return shorter.empty() ? String(path) : shorter;
}

}  // namespace orv::platform
