// Facts about the machine, the user and this program's module: folders,
// names, the Windows version, network addresses.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <shlobj.h>

#include "platform/platform.h"

namespace orv::platform {

namespace {

String from_wide(const wchar_t* text, size_t n) { return String(reinterpret_cast<const char16_t*>(text), n); }

}  // namespace

String windows_directory() {
  wchar_t buf[MAX_PATH + 1];
  UINT n = GetWindowsDirectoryW(buf, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return String();
  return from_wide(buf, n);
}

String temp_directory() {
  wchar_t buf[MAX_PATH + 2];
  DWORD n = GetTempPathW(MAX_PATH + 2, buf);
  if (n == 0 || n > MAX_PATH + 1) return String();
  if (buf[n - 1] == L'\\') --n;
  return from_wide(buf, n);
}

String special_folder(SpecialFolder which) {
  static const int kFolderIds[] = {
      CSIDL_APPDATA,       CSIDL_COMMON_APPDATA,   CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY,
      CSIDL_PERSONAL,      CSIDL_PROGRAM_FILES,    CSIDL_PROGRAMS,         CSIDL_COMMON_PROGRAMS,
      CSIDL_STARTMENU,     CSIDL_COMMON_STARTMENU, CSIDL_STARTUP,          CSIDL_COMMON_STARTUP,
  };
  wchar_t buf[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, kFolderIds[size_t(which)], nullptr, SHGFP_TYPE_CURRENT, buf))) return String();
  return from_wide(buf, wcslen(buf));
}

String computer_name() {
  wchar_t buf[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD n = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(buf, &n)) return String();
  return from_wide(buf, n);
}

String user_name() {
  wchar_t buf[257];  // the longest user name and its terminator
  DWORD n = 257;
  if (!GetUserNameW(buf, &n) || n == 0) return String();
  return from_wide(buf, n - 1);
}

uint16_t user_interface_language() { return GetUserDefaultUILanguage(); }

OsVersion os_version() {
  // GetVersionEx reports what the manifest claims compatibility with;
  // RtlGetVersion tells the truth.
  OsVersion v;
  v.windows = true;
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  void* address = ntdll ? reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")) : nullptr;
  if (!address) return v;
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (reinterpret_cast<RtlGetVersionFn>(address)(&info) != 0) return v;
  v.major = info.dwMajorVersion;
  v.minor = info.dwMinorVersion;
  v.build = info.dwBuildNumber;
  return v;
}

bool is_admin() { return IsUserAnAdmin() != FALSE; }

std::vector<String> ip_addresses(size_t limit) {
  std::vector<String> out;
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return out;
  char host[256];
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* list = nullptr;
  if (gethostname(host, sizeof host) == 0 && getaddrinfo(host, nullptr, &hints, &list) == 0) {
    for (addrinfo* a = list; a && out.size() < limit; a = a->ai_next) {
      const auto* b = reinterpret_cast<const uint8_t*>(&reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr);
      wchar_t text[16];
      wsprintfW(text, L"%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
      out.push_back(from_wide(text, wcslen(text)));
    }
    freeaddrinfo(list);
  }
  WSACleanup();
  return out;
}

uintptr_t module_handle() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&module_handle), &module);
  return reinterpret_cast<uintptr_t>(module);
}

uintptr_t main_module_handle() { return reinterpret_cast<uintptr_t>(GetModuleHandleW(nullptr)); }

String module_path() {
  wchar_t buf[2048];
  DWORD n = GetModuleFileNameW(reinterpret_cast<HMODULE>(module_handle()), buf, 2048);
  return from_wide(buf, n);
}

}  // namespace orv::platform
