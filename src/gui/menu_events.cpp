// Menus at run time: the thread a chosen item starts, the tray icon's
// clicks, and showing a menu where the script asks.
#include <algorithm>

#include "events/callable.h"
#include "events/message_pump.h"
#include "events/script_threads.h"
#include "gui/gui_window.h"
#include "gui/menu_build.h"
#include "gui/menus.h"
#include "platform/menus.h"
#include "platform/messages.h"
#include "runtime/func.h"
#include "runtime/launch_state.h"
#include "runtime/process_state.h"
#include "runtime/thread_settings.h"
#include "runtime/tray_icon_settings.h"

namespace orv {

namespace {

constexpr size_t kMaxLaunchName = 260;

// Functions get the item's name, position and menu, as many as they take.
int parameters_for(const Callable& c) {
  if (auto* f = dynamic_cast<Func*>(c.object.get()); f && !f->variadic) return std::min(f->max_params, 3);
  return 3;
}

}  // namespace

void launch_menu_item(uintptr_t window, uint16_t id) {
  ScriptMenu* menu = nullptr;
  ScriptMenuItem* item = find_item_by_id(id, &menu);
  if (!item || item->callable.empty()) return;
  CommandId first = first_action(item->callable);
  if (!thread_gate(item->priority, first)) return;
  // The item may be renamed or deleted by its own thread: keep what it needs.
  Callable callable = item->callable;
  String name = item->name.substr(0, kMaxLaunchName), menu_name = menu->name.substr(0, kMaxLaunchName);
  int64_t position = int64_t(menu->index_of(item) + 1);
  g_launch.menu_item_name = name;
  g_launch.menu_name = menu_name;
  g_launch.menu_item_pos = uint32_t(position);
  LaunchedThread thread(item->priority, first);
  g_threads.last_peek_tick = g_threads.last_rest_tick = platform::tick_count();
  // An item of a window's menu bar runs with that window as its GUI window.
  if (GuiRef gui = window ? gui_of_window(window) : nullptr; gui && gui->hwnd == window) {
    ThreadSettings& t = *g_thread;
    t.gui_window = gui;
    t.default_gui = gui;
    t.gui_name = gui_display_name(*gui);
    t.gui_event = 1;
    t.last_found_window = gui->hwnd;
  }
  if (callable.label) {
    (void)run_callable(callable);
    return;
  }
  ExprToken params[3] = {text_token(name), int_token(position), text_token(menu_name)};
  (void)run_callable(callable, params, parameters_for(callable));
}

void install_menus() {
  set_menu_item_launcher([](uintptr_t window, intptr_t id) { launch_menu_item(window, uint16_t(id)); });
}

void on_tray_notify(intptr_t mouse_message) {
  constexpr intptr_t kLButtonDown = 0x201, kLButtonDblClk = 0x203, kRButtonUp = 0x205;
  ScriptMenu& tray = tray_menu();
  if (mouse_message == kRButtonUp) {
    show_menu(tray, std::nullopt, std::nullopt);
    return;
  }
  bool runs = mouse_message == kLButtonDblClk || (mouse_message == kLButtonDown && tray.tray_clicks == 1);
  if (!runs) return;
  if (tray.default_item) {
    if (!tray.default_item->disabled)
      platform::post_message(platform::main_window(), platform::program_message::kMenuItem, 0, tray.default_item->id);
  } else if (tray.standard && g_main_window_allowed) {
    platform::show_main_window();
  }
}

void show_menu(ScriptMenu& menu, std::optional<int32_t> x, std::optional<int32_t> y) {
  platform::MenuSystem& system = platform::menu_system();
  platform::MenuHandle handle = system_menu(menu, MenuKind::Popup);
  if (!handle) return;
  // The standard items' checks follow the pause and suspend states.
  if (menu.standard) menu_changed(menu);
  int32_t cx = 0, cy = 0;
  if (!x || !y) system.cursor_position(cx, cy);
  int32_t px = x ? *x : cx, py = y ? *y : cy;
  CoordMode mode = g_thread->coord_mode(CoordTarget::Menu);
  platform::MenuSystem::ActiveFrame frame;
  if (mode != CoordMode::Screen && system.active_frame(frame) && !frame.minimized) {
    if (x) px += mode == CoordMode::Client ? frame.client_x : frame.x;
    if (y) py += mode == CoordMode::Client ? frame.client_y : frame.y;
  }
  system.show_popup(handle, px, py);
  // The tray's menu must be followed by a message, or it may not close
  // when the user clicks elsewhere.
  if (menu.is_tray()) platform::post_message(platform::main_window(), 0, 0, 0);
  // The chosen item's thread starts here.
  pump_messages(-1, PumpMode::Drain);
}

void set_tray_tip_text(StringView tip) {
  constexpr size_t kMax = 127;
  if (tip.size() > kMax) {
    size_t n = kMax;
    // Never the first half of a pair without its second.
    if (tip[n - 1] >= 0xD800 && tip[n - 1] <= 0xDBFF) --n;
    tip = tip.substr(0, n);
  }
  g_tray_icon.tip = String(tip);
  platform::set_tray_tip(tip.empty() ? StringView(g_process.script_name) : tip);
}

}  // namespace orv
