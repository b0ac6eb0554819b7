#include "events/main_window_events.h"

#include "startup/exit.h"

namespace orv::events {

bool on_main_window_message(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  if (message == kMsgSingleInstance) {
    // Another instance of this script asks this one to make way for it.
    if (wparam == kSingleInstanceReload) exit_program(ExitReason::Reload, 0);
    if (wparam == kSingleInstanceReplace) exit_program(ExitReason::SingleInstance, 0);
    return true;
  }
  if (message == 0x0111 /* WM_COMMAND */) {
    auto id = MenuCommand(wparam & 0xFFFF);
    if (id == MenuCommand::TrayExit || id == MenuCommand::Exit) exit_program(ExitReason::Menu, 0);
  }
  return false;
}

}  // namespace orv::events
