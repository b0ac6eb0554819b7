// A desktop for tests: windows with the few attributes window search and
// the control commands read, and the messages sent and posted to them,
// recorded with scripted answers.
#pragma once

#include <map>
#include <vector>

#include "platform/window_system.h"

namespace orv {

using platform::WindowHandle;

struct FakeWindow {
  String title, class_name;
  uint32_t pid = 0;
  bool visible = true;
  WindowHandle parent = 0;
  std::vector<WindowHandle> children;
};

// Top-level windows in Z order; controls are windows that only appear as
// someone's children.
class ScriptedDesktop : public platform::WindowSystem {
 public:
  std::map<WindowHandle, FakeWindow> windows;
  std::vector<WindowHandle> z_order;
  std::map<uint32_t, String> paths;
  WindowHandle active = 0;

  void top_level_windows(std::vector<WindowHandle>& out) override { out = z_order; }
  void descendants(WindowHandle w, std::vector<WindowHandle>& out) override {
    out.clear();
    for (WindowHandle c : windows[w].children) {
      out.push_back(c);
      std::vector<WindowHandle> more;
      descendants(c, more);
      out.insert(out.end(), more.begin(), more.end());
    }
  }
  bool exists(WindowHandle w) override { return windows.count(w) != 0; }
  bool visible(WindowHandle w) override { return exists(w) && windows[w].visible; }
  bool is_child(WindowHandle w) override { return exists(w) && windows[w].parent && !in_z_order(w); }
  String title(WindowHandle w) override { return windows[w].title; }
  String control_text(WindowHandle w, bool) override { return windows[w].title; }
  String class_name(WindowHandle w) override { return windows[w].class_name; }
  uint32_t process_id(WindowHandle w) override { return windows[w].pid; }
  String process_path(uint32_t pid) override { return paths[pid]; }
  WindowHandle parent(WindowHandle w) override { return windows[w].parent; }
  WindowHandle foreground() override { return active; }

  // Messages in the order they went; answers by message number (0 when
  // none is scripted).
  struct Sent {
    WindowHandle to;
    uint32_t msg;
    uintptr_t wparam;
    intptr_t lparam;
    String text;
    bool posted;
  };
  std::vector<Sent> sent;
  std::map<uint32_t, intptr_t> answers;
  std::map<WindowHandle, uint32_t> styles;
  std::map<WindowHandle, int32_t> ids;

  bool send(WindowHandle w, uint32_t msg, uintptr_t wp, intptr_t lp, uint32_t, intptr_t& result) override {
    if (!exists(w)) return false;
    sent.push_back({w, msg, wp, lp, String(), false});
    result = answers.count(msg) ? answers[msg] : 0;
    return true;
  }
  bool send_text(WindowHandle w, uint32_t msg, uintptr_t wp, StringView text, uint32_t timeout,
                 intptr_t& result) override {
    if (!send(w, msg, wp, 0, timeout, result)) return false;
    sent.back().text = String(text);
    return true;
  }
  bool post(WindowHandle w, uint32_t msg, uintptr_t wp, intptr_t lp) override {
    if (!exists(w)) return false;
    sent.push_back({w, msg, wp, lp, String(), true});
    return true;
  }
  int32_t control_id(WindowHandle w) override { return ids[w]; }
  uint32_t style(WindowHandle w) override { return styles[w]; }

  // Show states, and the show commands in the order they came.
  std::map<WindowHandle, platform::ShowState> states;
  std::vector<std::pair<WindowHandle, platform::ShowCommand>> shown;
  platform::ShowState show_state(WindowHandle w) override {
    return states.count(w) ? states[w] : platform::ShowState::Normal;
  }
  bool show(WindowHandle w, platform::ShowCommand c) override {
    shown.push_back({w, c});
    if (c == platform::ShowCommand::Minimize) states[w] = platform::ShowState::Minimized;
    if (c == platform::ShowCommand::Restore) states[w] = platform::ShowState::Normal;
    return true;
  }

  // Menus by handle: each item a text and either a command id or a submenu.
  struct FakeMenuItem {
    String text;
    int32_t id = -1;
    uintptr_t submenu = 0;
  };
  std::map<uintptr_t, std::vector<FakeMenuItem>> menus;
  std::map<WindowHandle, uintptr_t> menu_bars, system_menus;
  uintptr_t menu_bar(WindowHandle w) override { return menu_bars[w]; }
  uintptr_t system_menu(WindowHandle w) override { return system_menus[w]; }
  int menu_item_count(uintptr_t m) override { return int(menus[m].size()); }
  String menu_item_text(uintptr_t m, int i) override { return menus[m][size_t(i)].text; }
  uintptr_t submenu(uintptr_t m, int i) override { return menus[m][size_t(i)].submenu; }
  int32_t menu_item_id(uintptr_t m, int i) override {
    const FakeMenuItem& item = menus[m][size_t(i)];
    return item.submenu ? -1 : item.id;
  }

  bool in_z_order(WindowHandle w) const {
    for (WindowHandle z : z_order)
      if (z == w) return true;
    return false;
  }
};
}  // namespace orv
