#include "gui/menu_build.h"

#include "events/script_threads.h"
#include "gui/gui_menu_bar.h"
#include "runtime/launch_state.h"
#include "runtime/thread_settings.h"

namespace orv {

namespace {

void add_standard_entries(std::vector<platform::MenuEntry>& out) {
  auto entry = [&](StringView text, uint16_t id, bool checked) {
    platform::MenuEntry e;
    e.text = String(text);
    e.id = id;
    e.checked = checked;
    out.push_back(std::move(e));
  };
  if (g_main_window_allowed) {
    entry(u"&Open", StdOpen, false);
    platform::MenuEntry line;
    line.separator = true;
    out.push_back(line);
  }
  // The checks say what the program is doing now: the menu is built again
  // each time it is shown.
  entry(u"&Suspend Hotkeys", StdSuspend, g_launch.hotkeys_suspended);
  entry(u"&Pause Script", StdPause, g_thread && g_thread->is_paused);
  entry(u"E&xit", StdExit, false);
}

platform::MenuEntry entry_of(ScriptMenuItem& item) {
  platform::MenuEntry e;
  e.text = item.name;
  e.id = item.id;
  e.separator = item.separator();
  e.checked = item.checked;
  e.disabled = item.disabled;
  e.radio = item.radio;
  e.right = item.right;
  e.column_break = item.column_break;
  e.bar_break = item.bar_break;
  e.bitmap = item.icon;
  if (item.submenu) e.submenu = system_menu(*item.submenu, MenuKind::Popup);
  return e;
}

}  // namespace

void menu_entries(const ScriptMenu& menu, std::vector<platform::MenuEntry>& out) {
  out.clear();
  bool any_default = false;
  for (size_t i = 0; i <= menu.items.size(); ++i) {
    if (menu.standard && i == menu.standard_at) {
      size_t first = out.size();
      add_standard_entries(out);
      // Open is the default when the script named none.
      if (!menu.default_item && g_main_window_allowed) out[first].is_default = any_default = true;
    }
    if (i == menu.items.size()) break;
    ScriptMenuItem& item = *menu.items[i];
    out.push_back(entry_of(item));
    if (menu.default_item == &item && !any_default) out.back().is_default = any_default = true;
  }
}

platform::MenuHandle system_menu(ScriptMenu& menu, MenuKind kind) {
  platform::MenuSystem& system = platform::menu_system();
  if (menu.handle && menu.kind == kind && system.exists(menu.handle)) return menu.handle;
  bool recreated = menu.handle != 0;
  if (recreated) system.destroy(menu.handle);
  menu.kind = kind;
  menu.handle = system.create(kind == MenuKind::Bar);
  if (!menu.handle) return 0;
  std::vector<platform::MenuEntry> entries;
  menu_entries(menu, entries);
  system.set_entries(menu.handle, entries);
  if (menu.look_set) system.set_look(menu.handle, menu.look);
  // Menus that open this one must open the new system menu.
  if (recreated)
    for (auto& other : script_menus())
      if (other.get() != &menu && other->handle)
        for (auto& item : other->items)
          if (item->submenu == &menu) {
            menu_changed(*other);
            break;
          }
  return menu.handle;
}

void menu_changed(ScriptMenu& menu) {
  if (!menu.handle) return;
  platform::MenuSystem& system = platform::menu_system();
  std::vector<platform::MenuEntry> entries;
  menu_entries(menu, entries);
  system.set_entries(menu.handle, entries);
  if (menu.look_set) system.set_look(menu.handle, menu.look);
  for (platform::WindowHandle w : menu.bar_windows) {
    system.redraw_bar(w);
    refresh_menu_bar_keys(w);
  }
}

void destroy_system_menu(ScriptMenu& menu) {
  if (!menu.handle) return;
  platform::menu_system().destroy(menu.handle);
  menu.handle = 0;
}

}  // namespace orv
