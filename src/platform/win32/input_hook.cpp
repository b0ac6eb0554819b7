#include "platform/input_hook.h"

#include "platform/win32/hook_thread.h"

#include <windows.h>

#include <cstdlib>

namespace orv::platform {

namespace {

// The hook thread's own messages.
constexpr UINT kHookRequest = WM_USER + 23;  // wParam: the hooks wanted
constexpr UINT kHookTask = WM_USER + 30;     // lParam: a Task to run
// Window matching for criteria runs on this thread: a small stack will not do.
constexpr SIZE_T kHookStack = 512 * 1024;
// How long the main thread waits for the hook thread before it gives up.
constexpr DWORD kReplyWaitMs = 500;
// A task is a few instructions; a hook thread that takes longer is stuck.
constexpr DWORD kTaskWaitMs = 5000;

struct Task {
  void (*run)(void*);
  void* data;
};

thread_local bool t_hook_thread = false;
HANDLE g_thread = nullptr;
DWORD g_thread_id = 0;
HANDLE g_reply = nullptr;  // set by the hook thread when it has done what it was asked
HHOOK g_keyboard = nullptr, g_mouse = nullptr;
InputEventHandler g_handler = nullptr;
void (*g_on_install)() = nullptr;
HANDLE g_keyboard_mutex = nullptr, g_mouse_mutex = nullptr;
volatile LONG g_block_mouse_move = 0;
volatile LONG_PTR g_lcontrol_tag = 0;

LRESULT CALLBACK keyboard_proc(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HC_ACTION && g_handler) {
    const auto* k = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lparam);
    RawInputEvent e;
    e.vk = uint8_t(k->vkCode);
    e.sc = uint16_t((k->scanCode & 0xFF) | ((k->flags & LLKHF_EXTENDED) ? 0x100 : 0));
    // The message, not LLKHF_UP: a Unicode packet's release has no flag.
    e.key_up = wparam == WM_KEYUP || wparam == WM_SYSKEYUP;
    e.injected = (k->flags & LLKHF_INJECTED) != 0;
    e.extra = uintptr_t(k->dwExtraInfo);
    e.time_ms = k->time;
    if (e.vk == VK_LCONTROL && e.extra == 0 && g_lcontrol_tag) {
      e.extra = uintptr_t(g_lcontrol_tag);
      e.injected = true;
    }
    if (g_handler(e)) return 1;
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

LRESULT CALLBACK mouse_proc(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HC_ACTION && wparam == WM_MOUSEMOVE && g_block_mouse_move &&
      !(reinterpret_cast<const MSLLHOOKSTRUCT*>(lparam)->flags & LLMHF_INJECTED))
    return 1;
  if (code == HC_ACTION && g_handler && wparam != WM_MOUSEMOVE) {
    const auto* m = reinterpret_cast<const MSLLHOOKSTRUCT*>(lparam);
    RawInputEvent e;
    e.injected = (m->flags & LLMHF_INJECTED) != 0;
    e.extra = uintptr_t(m->dwExtraInfo);
    e.time_ms = m->time;
    int delta = 0;
    switch (wparam) {
      case WM_LBUTTONDOWN: case WM_LBUTTONUP: e.vk = VK_LBUTTON; break;
      case WM_RBUTTONDOWN: case WM_RBUTTONUP: e.vk = VK_RBUTTON; break;
      case WM_MBUTTONDOWN: case WM_MBUTTONUP: e.vk = VK_MBUTTON; break;
      case WM_XBUTTONDOWN: case WM_XBUTTONUP: case WM_NCXBUTTONDOWN: case WM_NCXBUTTONUP:
        e.vk = HIWORD(m->mouseData) == XBUTTON1 ? VK_XBUTTON1 : VK_XBUTTON2;
        break;
      case WM_MOUSEWHEEL: case WM_MOUSEHWHEEL:
        delta = GET_WHEEL_DELTA_WPARAM(m->mouseData);
        e.vk = wparam == WM_MOUSEWHEEL ? (delta < 0 ? 0x9E : 0x9F) : (delta < 0 ? 0x9C : 0x9D);
        // A fine-resolution wheel reports less than a notch per event: it
        // still turned by one.
        e.wheel_notches = std::abs(delta) / WHEEL_DELTA;
        if (e.wheel_notches == 0) e.wheel_notches = 1;
        break;
      default: return CallNextHookEx(nullptr, code, wparam, lparam);
    }
    e.key_up = wparam == WM_LBUTTONUP || wparam == WM_RBUTTONUP || wparam == WM_MBUTTONUP || wparam == WM_XBUTTONUP ||
               wparam == WM_NCXBUTTONUP;
    if (g_handler(e)) return 1;
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

void apply_on_hook_thread(uint8_t wanted) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  bool fresh = ((wanted & KeyboardHookBit) && !g_keyboard) || ((wanted & MouseHookBit) && !g_mouse);
  if (fresh && g_on_install) g_on_install();
  if (!(wanted & KeyboardHookBit) && g_keyboard) {
    UnhookWindowsHookEx(g_keyboard);
    g_keyboard = nullptr;
  } else if ((wanted & KeyboardHookBit) && !g_keyboard) {
    g_keyboard = SetWindowsHookExW(WH_KEYBOARD_LL, keyboard_proc, module, 0);
  }
  if (!(wanted & MouseHookBit) && g_mouse) {
    UnhookWindowsHookEx(g_mouse);
    g_mouse = nullptr;
  } else if ((wanted & MouseHookBit) && !g_mouse) {
    g_mouse = SetWindowsHookExW(WH_MOUSE_LL, mouse_proc, module, 0);
  }
}

DWORD WINAPI hook_thread(void*) {
  t_hook_thread = true;
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before anyone posts to it
  SetEvent(g_reply);
  for (;;) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) break;
    if (got == -1) continue;
    if (msg.message == kHookRequest) {
      apply_on_hook_thread(uint8_t(msg.wParam));
      SetEvent(g_reply);
    } else if (msg.message == kHookTask) {
      auto* task = reinterpret_cast<Task*>(msg.lParam);
      task->run(task->data);
      delete task;  // the record is the thread's: its poster may have stopped waiting
      SetEvent(g_reply);
    }
  }
  apply_on_hook_thread(0);
  return 0;
}

// Waits for the hook thread's answer while still answering whatever is
// sent to this thread (the hook may be asking it something right now).
bool wait_for_reply(DWORD timeout_ms) {
  DWORD start = GetTickCount();
  for (;;) {
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeout_ms) return false;
    DWORD r = MsgWaitForMultipleObjects(1, &g_reply, FALSE, timeout_ms - elapsed, QS_SENDMESSAGE);
    if (r == WAIT_OBJECT_0) return true;
    if (r != WAIT_OBJECT_0 + 1) return false;
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

bool post_to_hook_thread(UINT message, WPARAM wparam, LPARAM lparam) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (PostThreadMessageW(g_thread_id, message, wparam, lparam)) return true;
    Sleep(10);
  }
  return false;
}

bool start_thread() {
  if (!g_reply) g_reply = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (!g_reply) return false;
  g_thread = CreateThread(nullptr, kHookStack, hook_thread, nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION, &g_thread_id);
  if (!g_thread) return false;
  SetThreadPriority(g_thread, THREAD_PRIORITY_TIME_CRITICAL);
  return wait_for_reply(kReplyWaitMs);
}

void stop_thread() {
  if (!g_thread) return;
  PostThreadMessageW(g_thread_id, WM_QUIT, 0, 0);
  WaitForSingleObject(g_thread, kReplyWaitMs);
  CloseHandle(g_thread);
  g_thread = nullptr;
  g_thread_id = 0;
}

// Other programs learn from these names that such a hook is active.
void follow_with_mutex(HANDLE& mutex, const wchar_t* name, bool installed) {
  if (installed && !mutex) mutex = CreateMutexW(nullptr, FALSE, name);
  if (!installed && mutex) {
    CloseHandle(mutex);
    mutex = nullptr;
  }
}

}  // namespace

bool hook_of_another_program(uint8_t hook_bit) {
  HANDLE& own = hook_bit == KeyboardHookBit ? g_keyboard_mutex : g_mouse_mutex;
  const wchar_t* name = hook_bit == KeyboardHookBit ? L"ORV Keybd" : L"ORV Mouse";
  // The mutex exists as long as any program holds it open: with this
  // program's handle closed, it still exists only if another one holds it.
  bool mine = own != nullptr;
  if (mine) CloseHandle(own);
  HANDLE probe = CreateMutexW(nullptr, FALSE, name);
  bool other = probe && GetLastError() == ERROR_ALREADY_EXISTS;
  if (mine) own = probe;
  else if (probe) CloseHandle(probe);
  return other;
}

bool input_hooks_supported() { return true; }

void arm_lcontrol_tag(uintptr_t tag) { InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&g_lcontrol_tag), reinterpret_cast<void*>(tag)); }

void set_block_mouse_move(bool on) { InterlockedExchange(&g_block_mouse_move, on ? 1 : 0); }

bool on_hook_thread() { return t_hook_thread; }

uint8_t set_input_hooks(uint8_t wanted, InputEventHandler handler, void (*on_install)()) {
  auto installed = [] { return uint8_t((g_keyboard ? KeyboardHookBit : 0) | (g_mouse ? MouseHookBit : 0)); };
  if (wanted == installed()) return wanted;
  g_handler = handler;
  g_on_install = on_install;
  if (wanted && !g_thread && !start_thread()) return 0;
  if (g_thread) {
    // Read by the hook thread once it has replied; unsafe to read before.
    if (post_to_hook_thread(kHookRequest, wanted, 0)) (void)wait_for_reply(kReplyWaitMs);
    if (!wanted) stop_thread();
  }
  uint8_t now = installed();
  follow_with_mutex(g_keyboard_mutex, L"ORV Keybd", now & KeyboardHookBit);
  follow_with_mutex(g_mouse_mutex, L"ORV Mouse", now & MouseHookBit);
  return now;
}

bool run_on_hook_thread(void (*task)(void*), void* data) {
  if (!g_thread) {
    task(data);
    return true;
  }
  auto* t = new Task{task, data};
  if (!post_to_hook_thread(kHookTask, 0, reinterpret_cast<LPARAM>(t))) {
    delete t;
    return false;
  }
  return wait_for_reply(kTaskWaitMs);
}

void send_key_event(uint8_t vk, uint16_t sc, bool up, uintptr_t extra) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = WORD(sc & 0xFF);
  in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | ((sc & 0x100) ? KEYEVENTF_EXTENDEDKEY : 0);
  in.ki.dwExtraInfo = ULONG_PTR(extra);
  SendInput(1, &in, sizeof in);
}

bool send_message_timeout(uintptr_t window, uint32_t message, uintptr_t wparam, intptr_t lparam, uint32_t timeout_ms,
                          intptr_t& result) {
  DWORD_PTR answer = 0;
  LRESULT ok = SendMessageTimeoutW(reinterpret_cast<HWND>(window), message, wparam, lparam, SMTO_ABORTIFHUNG,
                                   timeout_ms, &answer);
  result = intptr_t(answer);
  return ok != 0;
}

}  // namespace orv::platform
