#include "gui/gui_menu_bar.h"

#include <algorithm>
#include <vector>

#include "base/messages.h"
#include "gui/menu_build.h"
#include "gui/menu_records.h"
#include "input/key_codes.h"
#include "runtime/errors.h"

namespace orv {

namespace {

using Keys = std::vector<platform::GuiSystem::Accelerator>;

// "Ctrl+Shift+S", "Alt+F4", "F5": the key after an item's tab.
bool read_key(StringView text, platform::GuiSystem::Accelerator& out) {
  out = {};
  text = trim(text);
  for (;;) {
    size_t plus = text.find(u'+');
    if (plus == StringView::npos || plus + 1 >= text.size()) break;
    StringView mod = trim(text.substr(0, plus));
    if (equals_ignore_case(mod, u"Ctrl") || equals_ignore_case(mod, u"Control")) out.modifiers |= 2;
    else if (equals_ignore_case(mod, u"Shift")) out.modifiers |= 1;
    else if (equals_ignore_case(mod, u"Alt")) out.modifiers |= 4;
    else return false;
    text = trim(text.substr(plus + 1));
  }
  if (text.size() == 1 && ((text[0] >= u'A' && text[0] <= u'Z') || (text[0] >= u'a' && text[0] <= u'z') ||
                           (text[0] >= u'0' && text[0] <= u'9'))) {
    out.vk = uint8_t(text[0] >= u'a' ? text[0] - 32 : text[0]);
    return true;
  }
  out.vk = vk_by_name(text);
  return out.vk != 0;
}

void collect_keys(const ScriptMenu& menu, Keys& out, int depth) {
  if (depth > 16) return;
  for (const auto& item : menu.items) {
    if (item->submenu) collect_keys(*item->submenu, out, depth + 1);
    size_t tab = item->name.find(u'\t');
    platform::GuiSystem::Accelerator key;
    if (tab != String::npos && !item->disabled && read_key(StringView(item->name).substr(tab + 1), key)) {
      key.id = item->id;
      out.push_back(key);
    }
  }
}

void show_bar(GuiWindow& g) {
  Keys keys;
  platform::MenuHandle handle = 0;
  if (g.menu_bar) {
    handle = system_menu(*g.menu_bar, MenuKind::Bar);
    collect_keys(*g.menu_bar, keys, 0);
  }
  platform::gui_system().set_menu_bar(g.hwnd, handle, keys);
}

}  // namespace

void detach_gui_menu_bar(GuiWindow& g) {
  if (!g.menu_bar) return;
  std::erase(g.menu_bar->bar_windows, g.hwnd);
  g.menu_bar = nullptr;
  // The window would take its menu with it when destroyed.
  if (g.hwnd) show_bar(g);
}

Result set_gui_menu_bar(GuiWindow& g, StringView name) {
  name = trim(name);
  ScriptMenu* menu = nullptr;
  if (!name.empty()) {
    menu = find_menu(name);
    if (!menu || menu->is_tray()) return report_runtime_error(message(Msg::MenuMissing), name);
  }
  bool made = false;
  if (!ensure_gui_window(g, made)) return report_runtime_error(message(Msg::CouldNotCreateWindow));
  if (menu == g.menu_bar) return ResultDone;
  detach_gui_menu_bar(g);
  g.menu_bar = menu;
  if (menu) menu->bar_windows.push_back(g.hwnd);
  show_bar(g);
  return ResultDone;
}

void refresh_menu_bar_keys(platform::WindowHandle window) {
  GuiRef g = gui_of_window(window);
  if (g && g->hwnd == window && g->menu_bar) show_bar(*g);
}

}  // namespace orv
