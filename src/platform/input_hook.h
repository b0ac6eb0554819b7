// The system's low-level keyboard and mouse hooks, run on a thread of their
// own so that no script line ever delays the user's typing. The portable
// code decides about each event through one handler; the thread also runs
// short tasks between events (adopting new tables), so that the handler
// never sees its data change under it.
#pragma once

#include <cstdint>

namespace orv::platform {

struct RawInputEvent {
  uint8_t vk = 0;        // mouse buttons as their virtual keys; the wheel as 0x9C-0x9F
  uint16_t sc = 0;       // 0x100 marks an extended key
  bool key_up = false;
  bool injected = false;
  uintptr_t extra = 0;   // the event's extra information, whole
  int wheel_notches = 0; // at least 1 for a wheel event
  uint32_t time_ms = 0;  // the system's time stamp
};

// Decides one event on the hook thread: true suppresses it.
using InputEventHandler = bool (*)(const RawInputEvent& event);

enum HookBits : uint8_t { KeyboardHookBit = 1, MouseHookBit = 2 };

// Whether this platform has such hooks at all (the headless host has none).
bool input_hooks_supported();

// Installs and removes hooks until those in `wanted` are in place, starting
// or ending the hook thread as needed; `reset` runs `on_install` on the
// hook thread before a hook is installed anew. Returns the hooks installed
// now: a bit of `wanted` missing from it failed.
uint8_t set_input_hooks(uint8_t wanted, InputEventHandler handler, void (*on_install)());

// Runs `task(data)` on the hook thread between two events and returns when
// it has run (at once when no hook thread runs). Meanwhile this thread
// keeps answering messages sent to it, so that a hook waiting for this
// thread is never kept waiting in turn. False when the hook thread did not
// run it in time: whatever it was to let go of may still be in use.
bool run_on_hook_thread(void (*task)(void* data), void* data);

// While on, the mouse hook swallows the user's (not injected) pointer
// movement.
void set_block_mouse_move(bool on);

// A key event of the program's own, `extra` its tag.
void send_key_event(uint8_t vk, uint16_t sc, bool up, uintptr_t extra);

// Sends a message and waits at most `timeout_ms` for the answer; false when
// none came.
bool send_message_timeout(uintptr_t window, uint32_t message, uintptr_t wparam, intptr_t lparam, uint32_t timeout_ms,
                          intptr_t& result);

}  // namespace orv::platform
