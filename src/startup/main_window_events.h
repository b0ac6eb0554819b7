// What MainWindow does with the messages the program sends itself and with
// the system's requests to it. The platform's window procedure hands every
// message here first.
#pragma once

#include <cstdint>

namespace orv::events {

enum class MenuCommand : uint32_t {
  TrayOpen = 65300, TraySuspend = 65305, TrayPause = 65306, TrayExit = 65307,
  Reload = 65400, Edit = 65401, Refresh = 65402, Pause = 65403, Suspend = 65404, Exit = 65405,
  ListLines = 65406, ListVars = 65407, ListHotkeys = 65408, KeyHistory = 65409,
};

// True when the message was handled; `result` is then the window
// procedure's answer.
bool on_main_window_message(uint32_t message, uintptr_t wparam, intptr_t lparam, intptr_t& result);

}  // namespace orv::events
