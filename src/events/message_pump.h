// The message pump: the one place where new threads start. It runs when the
// auto-execute section is over, during Sleep and every other wait, and
// between lines when a message is waiting or a batch of lines is used up.
#pragma once

#include <cstdint>

#include "events/script_threads.h"
#include "platform/platform.h"
#include "runtime/line_pacing.h"
#include "runtime/thread_settings.h"

namespace orv {

enum class PumpMode : uint8_t { Drain, Wait, WaitFiltered };

// About 10 ms, returning as soon as the queue is empty.
inline constexpr int32_t kDurationUnspecified = int32_t(0x8000012F);

// Handles messages for `duration_ms` (negative: drain without resting; 0:
// drain and yield once). True when a timer ran or a thread was launched,
// so that the caller knows the script's state may have changed.
bool pump_messages(int32_t duration_ms, PumpMode mode);

// Waits in the pump for good: what a resident script does once its
// auto-execute section is over.
[[noreturn]] void pump_forever();

// A bound a host puts on the lines the program may run in all (0, the
// default: none). Past it the program is closed as if by its user (the exit
// routine with reason Close): how the fuzz hosts end scripts that would run
// for ever.
void set_line_limit(int64_t lines);

// The keyboard layer launches hotkey threads: the pump hands it WM_HOTKEY
// and the hook's hotkey messages.
using HotkeyLauncher = void (*)(uint32_t message, uintptr_t wparam, intptr_t lparam);
void set_hotkey_launcher(HotkeyLauncher launcher);
// The menus launch the threads of chosen items: the pump hands them the
// window (0 or a GUI window) and the item's id.
using MenuItemLauncher = void (*)(uintptr_t window, intptr_t id);
void set_menu_item_launcher(MenuItemLauncher launcher);
// The script windows launch the threads of their events: the pump hands
// them the window and the message's parameters.
using GuiEventLauncher = void (*)(uintptr_t window, uintptr_t wparam, intptr_t lparam);
void set_gui_event_launcher(GuiEventLauncher launcher);
// Work that may wait for the next wait in the pump, or a few milliseconds
// of a busy script's looks at the queue, but no longer (one task at a
// time; asking again before it ran changes nothing): how a run of Hotkey
// commands costs one refresh of the hooks instead of one each.
void run_at_next_pump(void (*task)());

// While joystick buttons are hotkeys, the pump polls them on every tick of
// the wake timer (which runs for them); null: none.
void set_joystick_poller(void (*poll)());
// Makes the pump's duties between lines the engine's look before a line
// (see runtime/line_pacing.h).
void install_message_pump();

}  // namespace orv
