#include "startup/main_window_events.h"

#include "events/clipboard_callbacks.h"
#include "events/host_calls.h"
#include "events/message_monitors.h"
#include "events/message_pump.h"
#include "events/script_threads.h"
#include "gui/menus.h"
#include "input/hotkeys.h"
#include "input/key_commands.h"
#include "input/keyboard_hook.h"
#include "library/view_commands.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "runtime/launch_state.h"
#include "startup/exit.h"

namespace orv::events {

namespace {

using namespace platform::wm;
using namespace platform::program_message;
using platform::kWakeTimerId;

void toggle_pause() {
  check_before_next_line();
  g_thread->is_paused = !g_thread->is_paused;
  g_threads.paused_thread_count += g_thread->is_paused ? 1 : -1;
}

}  // namespace

bool on_main_window_message(uint32_t message, uintptr_t wparam, intptr_t lparam, intptr_t& result) {
  result = 0;
  if (any_message_monitor() && g_threads.loaded &&
      !(g_threads.is_dispatching && g_threads.dispatching_message == message)) {
    bool handled = offer_to_monitors(platform::main_window(), message, wparam, lparam, false, 0, 0, 0, result);
    g_threads.is_dispatching = false;
    if (handled) return true;
  }
  g_threads.is_dispatching = false;
  if (message == kSingleInstance) {
    // Another instance of this script asks this one to make way for it.
    if (wparam == kSingleInstanceReload) exit_program(ExitReason::Reload, 0);
    if (wparam == kSingleInstanceReplace) exit_program(ExitReason::SingleInstance, 0);
    return true;
  }
  if (host::on_main_window_message(message, wparam, lparam, result)) return true;
  switch (message) {
    case kEvalIfExpressionMessage:
      result = answer_if_expression(wparam);
      return true;
    case kTimer:
      // A modal loop of someone else's (a message box) dispatched the wake
      // timer: timers keep running under it.
      if (wparam != kWakeTimerId || lparam != 0) return false;
      if (!g_threads.menu_active) pump_messages(-1, PumpMode::WaitFiltered);
      return true;
    case kClipboardUpdate:
      platform::post_message(platform::main_window(), kClipboardChanged, g_threads.loaded ? 0 : 1, 0);
      return true;
    case kHotkey:
    case kHookHotkey:
    case kHotstring:
    case kClipboardChanged:
      // Dispatched by someone else's modal loop: the pump launches it.
      platform::post_message(0, message, wparam, lparam);
      if (interrupt_allowed_now()) pump_messages(-1, PumpMode::WaitFiltered);
      return true;
    case kGetProcessId:
      result = intptr_t(platform::process_id());
      return true;
    case kExitReload:
      exit_program(ExitReason::Reload, 0);
      return true;
    case kExitSingle:
      exit_program(ExitReason::SingleInstance, 0);
      return true;
    case kTrayIcon:
      on_tray_notify(lparam);
      return true;
    case kMenuItem:
      // Someone else's modal loop dispatched it: the pump launches it.
      platform::post_message(platform::main_window(), message, wparam, lparam);
      pump_messages(-1, PumpMode::WaitFiltered);
      return true;
    case kEnterMenuLoop:
      if (!g_threads.menu_active) g_threads.menu_active = 2;
      return false;
    case kExitMenuLoop:
      g_threads.menu_active = 0;
      return false;
    case kClose:
      exit_program(ExitReason::Close, 0);
      return true;
    case kEndSession:
      if (wparam) exit_program((lparam & kEndSessionLogoff) ? ExitReason::Logoff : ExitReason::Shutdown, 0);
      return true;
    case kCommand:
      switch (MenuCommand(wparam & 0xFFFF)) {
        case MenuCommand::TrayExit:
        case MenuCommand::Exit:
          exit_program(ExitReason::Menu, 0);
          return true;
        case MenuCommand::TrayOpen:
          if (g_main_window_allowed) platform::show_main_window();
          return true;
        case MenuCommand::ListLines:
          show_lines_view();
          return true;
        case MenuCommand::ListVars:
          show_vars_view();
          return true;
        case MenuCommand::ListHotkeys:
          show_hotkeys_view();
          return true;
        case MenuCommand::KeyHistory:
          show_key_history_view();
          return true;
        case MenuCommand::TrayPause:
        case MenuCommand::Pause:
          toggle_pause();
          refresh_pause_look();
          return true;
        case MenuCommand::TraySuspend:
        case MenuCommand::Suspend:
          g_launch.hotkeys_suspended = !g_launch.hotkeys_suspended;
          if (g_launch.refresh_hotkeys) g_launch.refresh_hotkeys();
          refresh_pause_look();
          return true;
        default:
          // An item of one of the script's menus: its thread starts from the pump.
          if (find_item_by_id(uint16_t(wparam & 0xFFFF))) {
            platform::post_message(platform::main_window(), kMenuItem, 0, intptr_t(wparam & 0xFFFF));
            return true;
          }
          return false;
      }
    default:
      return false;
  }
}

}  // namespace orv::events
