// Callback stubs, and the way a callback that arrives on another thread
// reaches the interpreter's thread: it is sent to a message-only window
// that thread owns, and the sender waits until the script has answered.
// The interpreter never runs on two threads at once.
#include <windows.h>

#include <cstring>

#include "platform/native_calls.h"
#include "platform/win32/executable_memory.h"
#include "platform/win32/native_guard.h"

extern "C" {
void orv_callback_entry();
uint64_t orv_callback_dispatch(const uint64_t* args, const orv::platform::CallbackStub* stub) noexcept;
}

namespace orv::platform {

namespace {

// lea rax, [rip-7]; jmp [rip+3]; three nops: the stub's own address in RAX,
// then on to the entry stored right after.
constexpr uint8_t kStubCode[16] = {0x48, 0x8D, 0x05, 0xF9, 0xFF, 0xFF, 0xFF, 0xFF,
                                   0x25, 0x03, 0x00, 0x00, 0x00, 0x90, 0x90, 0x90};

constexpr UINT kForeignCallback = WM_APP + 0x24;

DWORD g_interpreter_thread = 0;
HWND g_relay = nullptr;

struct ForeignCall {
  const uint64_t* args;
  const CallbackStub* stub;
  uint64_t answer;
};

uint64_t run_here(const uint64_t* args, const CallbackStub* stub) {
  int saved = suspend_guard();
  uint64_t answer = stub->dispatcher(args, stub);
  resume_guard(saved);
  return answer;
}

LRESULT CALLBACK relay_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) noexcept {
  if (msg == kForeignCallback) {
    auto* call = reinterpret_cast<ForeignCall*>(lparam);
    call->answer = run_here(call->args, call->stub);
    return 1;
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

bool make_relay() {
  if (g_relay) return true;
  WNDCLASSW wc = {};
  wc.lpfnWndProc = relay_proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"OrvantaCallbackRelay";
  RegisterClassW(&wc);
  g_relay = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  if (!g_relay) return false;
  g_interpreter_thread = GetCurrentThreadId();
  return true;
}

}  // namespace

bool on_interpreter_thread() { return !g_interpreter_thread || GetCurrentThreadId() == g_interpreter_thread; }

const CallbackStub* make_callback_stub(CallbackDispatcher dispatcher, uint8_t param_count, bool new_thread,
                                       bool event_info_given, int64_t event_info, void* function) {
  if (!make_relay()) return nullptr;
  uint8_t *write_at, *run_at;
  if (!reserve_code(sizeof(CallbackStub), write_at, run_at)) return nullptr;
  CallbackStub stub = {};
  std::memcpy(stub.code, kStubCode, sizeof kStubCode);
  stub.entry = reinterpret_cast<void*>(&orv_callback_entry);
  stub.dispatcher = dispatcher;
  stub.param_count = param_count;
  stub.new_thread = new_thread ? 1 : 0;
  stub.event_info = event_info_given ? event_info : int64_t(reinterpret_cast<uintptr_t>(run_at));
  stub.function = function;
  std::memcpy(write_at, &stub, sizeof stub);
  finish_code(run_at, sizeof stub);
  return reinterpret_cast<const CallbackStub*>(run_at);
}

}  // namespace orv::platform

uint64_t orv_callback_dispatch(const uint64_t* args, const orv::platform::CallbackStub* stub) noexcept {
  using namespace orv::platform;
  if (on_interpreter_thread()) return run_here(args, stub);
  // The sender waits; the interpreter's thread answers when it next looks
  // at its messages (any wait of the script does).
  ForeignCall call{args, stub, 0};
  if (!SendMessageW(g_relay, kForeignCallback, 0, reinterpret_cast<LPARAM>(&call))) return 0;
  return call.answer;
}
