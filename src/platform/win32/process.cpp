// Process-level services on Windows: standard streams, paths, time and the
// script resource.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/hosted_script_internal.h"
#include "platform/win32/wide_text.h"

namespace orv::platform {

namespace {

void write_handle(DWORD which, StringView text) {
  HANDLE h = GetStdHandle(which);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return;
  DWORD mode;
  if (GetConsoleMode(h, &mode)) {
    DWORD written;
    WriteConsoleW(h, text.data(), DWORD(text.size()), &written, nullptr);
    return;
  }
  std::string bytes = utf16_to_utf8(text);
  DWORD written;
  WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr);
}

}  // namespace

void write_stdout(StringView text) { write_handle(STD_OUTPUT_HANDLE, text); }
void write_stderr(StringView text) { write_handle(STD_ERROR_HANDLE, text); }
// Output goes straight to the handle with WriteFile; nothing is buffered.
void set_stdout_unbuffered() {}

void output_debug(StringView text) {
  std::wstring buf;
  OutputDebugStringW(wide(text, buf));
}

void exit_process(int code) {
  // A hosted script's end is its own thread's, not the host's process's.
  if (hosted_script_bytes()) ExitThread(DWORD(code));
  ExitProcess(UINT(code));
}

String executable_path() {
  wchar_t buf[2048];
  DWORD n = GetModuleFileNameW(nullptr, buf, 2048);
  return String(reinterpret_cast<char16_t*>(buf), n);
}

String current_directory() {
  wchar_t buf[MAX_PATH + 1];
  DWORD n = GetCurrentDirectoryW(MAX_PATH + 1, buf);
  if (n == 0 || n > MAX_PATH) return String();
  return String(reinterpret_cast<char16_t*>(buf), n);
}

bool set_current_directory(StringView path) {
  std::wstring buf;
  return SetCurrentDirectoryW(wide(path, buf)) != 0;
}

uint64_t tick_count() { return GetTickCount64(); }
void sleep_ms(uint32_t ms) { Sleep(ms); }

uint32_t system_time_low32() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  return ft.dwLowDateTime;
}

void set_fail_critical_errors() { SetErrorMode(SEM_FAILCRITICALERRORS); }

bool thread_stack_bounds(uintptr_t& low, uintptr_t& high) {
  ULONG_PTR l = 0, h = 0;
  GetCurrentThreadStackLimits(&l, &h);
  low = uintptr_t(l);
  high = uintptr_t(h);
  return low && high > low;
}

bool read_script_source(std::vector<uint8_t>& bytes) {
  if (const std::vector<uint8_t>* hosted = hosted_script_bytes()) {
    bytes = *hosted;
    return true;
  }
  HRSRC res = FindResourceW(nullptr, L"E4847ED08866458F8DD35F94B37001C0", MAKEINTRESOURCEW(10));
  if (!res) return false;
  HGLOBAL data = LoadResource(nullptr, res);
  DWORD size = SizeofResource(nullptr, res);
  const void* p = data ? LockResource(data) : nullptr;
  if (!p) return false;
  auto* b = static_cast<const uint8_t*>(p);
  bytes.assign(b, b + size);
  return true;
}

bool get_environment_variable(StringView name, String& out) {
  std::wstring n;
  wide(name, n);
  wchar_t small[512];
  SetLastError(ERROR_SUCCESS);
  DWORD size = GetEnvironmentVariableW(n.c_str(), small, 512);
  if (size == 0) {
    // Zero is also the length of a variable that exists but is empty.
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
    out.clear();
    return true;
  }
  if (size < 512) {
    out.assign(reinterpret_cast<char16_t*>(small), size);
    return true;
  }
  // Too long for the first buffer: `size` now counts the terminator too. The
  // value may change between the calls, so the second result decides.
  std::wstring buf(size, L'\0');
  size = GetEnvironmentVariableW(n.c_str(), buf.data(), size);
  if (size == 0 || size >= buf.size()) return false;
  out.assign(reinterpret_cast<const char16_t*>(buf.data()), size);
  return true;
}

namespace {
UINT g_saved_foreground_lock = 0;
bool g_foreground_lock_saved = false;
}  // namespace

void relax_foreground_lock() {
  UINT timeout = 0;
  if (SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0) && timeout != 0) {
    g_saved_foreground_lock = timeout;
    g_foreground_lock_saved = true;
    SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, SPIF_SENDCHANGE);
  }
}

void restore_foreground_lock() {
  if (!g_foreground_lock_saved) return;
  g_foreground_lock_saved = false;
  SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<void*>(uintptr_t(g_saved_foreground_lock)),
                        SPIF_SENDCHANGE);
}

int64_t now_file_time() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  return int64_t((uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

String file_time_text(int64_t file_time) {
  FILETIME utc, local;
  utc.dwLowDateTime = DWORD(file_time);
  utc.dwHighDateTime = DWORD(uint64_t(file_time) >> 32);
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return String();
  wchar_t buf[32];
  wsprintfW(buf, L"%04d%02d%02d%02d%02d%02d", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
  return String(reinterpret_cast<const char16_t*>(buf));
}

}  // namespace orv::platform
