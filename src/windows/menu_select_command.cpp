// WinMenuSelectItem: chooses an item of a window's menu bar (or, with
// "0&", of its system menu) by names or positions, as if the user had
// clicked it: the window gets the item's command.
#include "platform/messages.h"
#include "platform/window_system.h"
#include "runtime/error_level.h"
#include "runtime/executor.h"
#include "runtime/script_line.h"
#include "windows/window_actions.h"
#include "windows/window_commands.h"
#include "windows/window_search.h"

namespace orv {

namespace {

constexpr uint32_t kSysCommand = 0x0112;

// An item's text as the user reads it: the "&" that marks its access key
// gone ("&&" is a literal one), and the shortcut after a tab cut off.
String readable(StringView text) {
  String out;
  for (size_t i = 0; i < text.size() && text[i] != u'\t'; ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

// "3&": the third item. 0 when the text is not of that form.
int position_of(StringView name) {
  if (name.size() < 2 || name.back() != u'&') return 0;
  int n = 0;
  for (char16_t c : name.substr(0, name.size() - 1)) {
    if (c < u'0' || c > u'9' || n > 100000) return 0;
    n = n * 10 + (c - u'0');
  }
  return n == 0 ? -1 : n;  // -1: "0&", the system menu
}

// The item `name` names in `menu`: by position, or by text (a whole match
// first, else the first item that begins with it, so that "Open" finds
// "Open..."). -1 when none.
int find_item(platform::WindowSystem& ws, uintptr_t menu, StringView name) {
  int count = ws.menu_item_count(menu);
  if (int p = position_of(name); p > 0) return p <= count ? p - 1 : -1;
  // The name as the user reads the item, or as its text is written ("&File").
  const String as_written = readable(name);
  int prefix = -1;
  for (int i = 0; i < count; ++i) {
    String text = readable(ws.menu_item_text(menu, i));
    if (text.empty()) continue;
    for (StringView wanted : {name, StringView(as_written)}) {
      if (equals_ignore_case(text, wanted)) return i;
      if (prefix < 0 && text.size() > wanted.size() && equals_ignore_case(StringView(text).substr(0, wanted.size()), wanted))
        prefix = i;
    }
  }
  return prefix;
}

}  // namespace

bool choose_menu_item(platform::WindowSystem& ws, WindowHandle w, const std::vector<StringView>& names) {
  if (names.empty()) return false;
  bool system = position_of(names[0]) == -1;
  uintptr_t menu = system ? ws.system_menu(w) : ws.menu_bar(w);
  if (!menu) return false;
  int item = -1;
  for (size_t i = system ? 1 : 0; i < names.size() && !names[i].empty(); ++i) {
    if (item >= 0) {
      // The item named before must open the menu this name is looked up in.
      menu = ws.submenu(menu, item);
      if (!menu) return false;
    }
    item = find_item(ws, menu, names[i]);
    if (item < 0) return false;
  }
  if (item < 0) return false;
  int32_t id = ws.menu_item_id(menu, item);
  // A submenu or a separator is nothing to choose.
  if (id < 0 || ws.submenu(menu, item)) return false;
  return ws.post(w, system ? kSysCommand : platform::wm::kCommand, uintptr_t(id), 0);
}

// WinMenuSelectItem, WinTitle, WinText, Menu [, SubMenu1 ... SubMenu6, ExcludeTitle, ExcludeText]
Result cmd_win_menu_select_item(const ScriptLine&, ExpandedArgs& args) {
  WindowQuery q{arg_text(args, 0), arg_text(args, 1), arg_text(args, 9), arg_text(args, 10)};
  WindowHandle w = target_window(q);
  std::vector<StringView> names;
  for (int i = 2; i <= 8; ++i) names.push_back(arg_text(args, i));
  return set_error_level(w && choose_menu_item(desktop(), w, names) ? 0 : 1);
}

}  // namespace orv
