#include "platform/hosted_script.h"

#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/hosted_script_internal.h"

namespace orv::platform {

namespace {

HANDLE g_script_thread = nullptr;
bool g_hosted = false;
std::vector<uint8_t> g_bytes;
int (*g_entry)() = nullptr;

// Deep script recursion runs on this thread's stack, as on the program's
// main thread: plenty of address space, committed as it is used.
constexpr SIZE_T kScriptStackReserve = 256u << 20;

DWORD WINAPI script_main(void*) { return DWORD(g_entry()); }

// The script's windows went with its thread; their classes were registered
// for the host's module with procedures in the library, and the exception
// handler points into it too. Both go, so that the host may unload the
// library and load it again.
void forget_script() {
  HINSTANCE host = GetModuleHandleW(nullptr);
  for (const wchar_t* name : {L"Orvanta", L"Orvanta2", L"OrvantaGUI", L"OrvantaCallbackRelay"})
    UnregisterClassW(name, host);
  remove_access_violation_handler();
}

}  // namespace

const std::vector<uint8_t>* hosted_script_bytes() { return g_hosted ? &g_bytes : nullptr; }

bool start_hosted_script(std::vector<uint8_t> bytes, int (*entry)()) {
  if (g_script_thread) return false;
  g_hosted = true;
  g_bytes = std::move(bytes);
  g_entry = entry;
  g_script_thread =
      CreateThread(nullptr, kScriptStackReserve, script_main, nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  return g_script_thread != nullptr;
}

int end_hosted_script(uint32_t timeout_ms) {
  if (!g_script_thread) return -1;
  if (WaitForSingleObject(g_script_thread, 0) == WAIT_TIMEOUT) {
    if (HWND main = reinterpret_cast<HWND>(main_window())) PostMessageW(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(g_script_thread, timeout_ms) != WAIT_OBJECT_0) return -1;
  }
  DWORD code = 0;
  GetExitCodeThread(g_script_thread, &code);
  forget_script();
  return int(code);
}

}  // namespace orv::platform
