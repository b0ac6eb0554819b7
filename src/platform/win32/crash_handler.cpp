// The access-violation handler: a fault on the main thread (usually a script
// passing a bad address to native code) is reported with the script line
// that was running, and the user decides what happens next.
#include <windows.h>

#include <cstdio>

#include "platform/native_calls.h"
#include "platform/platform.h"
#include "platform/win32/hosted_script_internal.h"

namespace orv::platform {

namespace {

CrashLineProvider g_line_provider = nullptr;
bool g_warn_continuable = true;
DWORD g_main_thread = 0;
PVOID g_handle = nullptr;

LONG WINAPI on_exception(EXCEPTION_POINTERS* info) noexcept {
  const EXCEPTION_RECORD* rec = info->ExceptionRecord;
  if (rec->ExceptionCode != EXCEPTION_ACCESS_VIOLATION || GetCurrentThreadId() != g_main_thread)
    return EXCEPTION_CONTINUE_SEARCH;
  // A guarded native call catches its callee's faults itself.
  if (inside_guarded_call()) return EXCEPTION_CONTINUE_SEARCH;
  bool noncontinuable = (rec->ExceptionFlags & EXCEPTION_NONCONTINUABLE) != 0;
  if (!noncontinuable && !g_warn_continuable) return EXCEPTION_CONTINUE_SEARCH;
  uint32_t line = 0;
  String file;
  if (g_line_provider) g_line_provider(line, file);
  std::wstring wfile(file.begin(), file.end());
  wchar_t text[1024];
  _snwprintf(text, 1024,
             L"Error: %ls EXCEPTION_ACCESS_VIOLATION\n\nMouse and Keyboard hooks have been disabled.\n\n"
             L"  -  Press yes to exit thread and continue execution.\n"
             L"  -  Press no to continue thread (debug).\n"
             L"  -  Press cancel to exit application.\n\n"
             L"Exception was caused in thread id: %lu\nLine: %u\nLineFile: %.260ls",
             noncontinuable ? L"NONCONTINUABLE" : L"CONTINUABLE", GetCurrentThreadId(), line, wfile.c_str());
  text[1023] = 0;
  switch (MessageBoxW(nullptr, text, L"Orvanta", MB_YESNOCANCEL | MB_TOPMOST | MB_ICONERROR | MB_DEFBUTTON3)) {
    case IDNO:
      return EXCEPTION_CONTINUE_SEARCH;
    case IDYES:
      RemoveVectoredExceptionHandler(g_handle);
      ExitThread(0xC0000005);
    default:
      ExitProcess(0xC0000005);
  }
}

}  // namespace

bool foreign_memory_allowed() { return true; }

void install_access_violation_handler(CrashLineProvider provider, bool warn_continuable) {
  g_line_provider = provider;
  g_warn_continuable = warn_continuable;
  g_main_thread = GetCurrentThreadId();
  if (!g_handle) g_handle = AddVectoredExceptionHandler(1, on_exception);
}

void remove_access_violation_handler() {
  if (g_handle) RemoveVectoredExceptionHandler(g_handle);
  g_handle = nullptr;
}

}  // namespace orv::platform
