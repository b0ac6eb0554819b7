#include "gui/menu_records.h"

#include <algorithm>

#include "base/messages.h"
#include "events/script_threads.h"
#include "gui/menu_build.h"
#include "runtime/numbers.h"

namespace orv {

bool g_main_window_allowed = true;

namespace {

constexpr uint16_t kLastItemId = kStandardItemIds - 1;

std::vector<std::unique_ptr<ScriptMenu>>& menus() {
  static std::vector<std::unique_ptr<ScriptMenu>> list = [] {
    std::vector<std::unique_ptr<ScriptMenu>> l;
    auto tray = std::make_unique<ScriptMenu>();
    tray->name = u"Tray";
    tray->standard = true;
    l.push_back(std::move(tray));
    return l;
  }();
  return list;
}

uint16_t g_next_id = kFirstItemId;

bool id_in_use(uint16_t id) { return find_item_by_id(id) != nullptr; }

void apply(ScriptMenuItem& item, const MenuItemOptions& o) {
  if (o.radio >= 0) item.radio = o.radio;
  if (o.right >= 0) item.right = o.right;
  if (o.column_break >= 0) item.column_break = o.column_break;
  if (o.bar_break >= 0) item.bar_break = o.bar_break;
  if (o.has_priority) item.priority = o.priority;
}

void set_target(ScriptMenuItem& item, const MenuTarget& target) {
  item.callable = target.callable;
  item.submenu = target.submenu;
}

// A submenu must not lead back to the menu it is put in.
MenuError check_target(const ScriptMenu& menu, const MenuTarget& target) {
  if (target.submenu && menu_contains(*target.submenu, menu)) return MenuError::SubmenuContainsParent;
  return MenuError::None;
}

MenuError make_item(ScriptMenu& menu, size_t at, StringView name, const MenuTarget& target, const MenuItemOptions& o) {
  uint16_t id = next_item_id();
  if (!id) return MenuError::TooManyItems;
  auto item = std::make_unique<ScriptMenuItem>();
  item->name = String(name);
  item->id = id;
  set_target(*item, target);
  apply(*item, o);
  if (at < menu.standard_at) ++menu.standard_at;
  menu.items.insert(menu.items.begin() + ptrdiff_t(at), std::move(item));
  menu_changed(menu);
  return MenuError::None;
}

// Menus that show `item` lose it everywhere it is named.
void forget_item(ScriptMenu& menu, size_t index) {
  ScriptMenuItem* item = menu.items[index].get();
  if (menu.default_item == item) menu.default_item = nullptr;
  if (index < menu.standard_at) --menu.standard_at;
  menu.items.erase(menu.items.begin() + ptrdiff_t(index));
}

}  // namespace

ScriptMenuItem::~ScriptMenuItem() {
  if (icon) platform::menu_system().free_bitmap(icon);
}

bool ScriptMenu::is_tray() const { return this == &tray_menu(); }

size_t ScriptMenu::index_of(const ScriptMenuItem* item) const {
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i].get() == item) return i;
  return size_t(-1);
}

StringView menu_error_text(MenuError error) {
  switch (error) {
    case MenuError::None: return StringView();
    case MenuError::MenuMissing: return message(Msg::MenuMissing);
    case MenuError::MenuNameTooLong: return message(Msg::MenuNameTooLong);
    case MenuError::ItemMissing: return message(Msg::MenuItemMissing);
    case MenuError::ItemNameTooLong: return message(Msg::MenuItemNameTooLong);
    case MenuError::TooManyItems: return message(Msg::TooManyMenuItems);
    case MenuError::SubmenuMissing: return message(Msg::SubmenuMissing);
    case MenuError::SubmenuContainsParent: return message(Msg::SubmenuContainsParent);
    case MenuError::TargetMissing: return message(Msg::TargetLabelMissing);
    case MenuError::RenameFailed: return message(Msg::MenuRenameFailed);
    case MenuError::CantLoadIcon: return message(Msg::CantLoadIcon);
    case MenuError::TrayUndeletable: return message(Msg::TrayMenuUndeletable);
    case MenuError::MenuInUse: return message(Msg::MenuInUse);
    case MenuError::ItemsInUse: return message(Msg::MenuItemsInUse);
    case MenuError::TrayOnly: return message(Msg::TrayMenuOnly);
    case MenuError::Param3Blank: return message(Msg::Param3NotBlankHere);
    case MenuError::ParamInvalid2: return message(Msg::ParamInvalid2);
  }
  return StringView();
}

MenuItemOptions parse_menu_item_options(StringView text) {
  MenuItemOptions o;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
    size_t start = i;
    while (i < text.size() && text[i] != u' ' && text[i] != u'\t') ++i;
    StringView word = text.substr(start, i - start);
    if (word.empty()) break;
    int8_t on = 1;
    if (word[0] == u'+' || word[0] == u'-') {
      on = word[0] == u'+';
      word.remove_prefix(1);
    }
    if (equals_ignore_case(word, u"Radio")) o.radio = on;
    else if (equals_ignore_case(word, u"Right")) o.right = on;
    else if (equals_ignore_case(word, u"Break")) o.column_break = on;
    else if (equals_ignore_case(word, u"BarBreak")) o.bar_break = on;
    else if (!word.empty() && (word[0] == u'P' || word[0] == u'p')) {
      o.has_priority = true;
      o.priority = int32_t(text_to_int(word.substr(1)));
    }
  }
  return o;
}

std::vector<std::unique_ptr<ScriptMenu>>& script_menus() { return menus(); }

ScriptMenu& tray_menu() { return *menus().front(); }

ScriptMenu* find_menu(StringView name) {
  for (auto& m : menus())
    if (equals_ignore_case(m->name, name)) return m.get();
  return nullptr;
}

MenuError create_menu(StringView name, ScriptMenu*& out) {
  if ((out = find_menu(name))) return MenuError::None;
  if (name.size() > kMaxMenuNameLength) return MenuError::MenuNameTooLong;
  auto m = std::make_unique<ScriptMenu>();
  m->name = String(name);
  out = m.get();
  menus().push_back(std::move(m));
  return MenuError::None;
}

ScriptMenu* find_menu_by_handle(platform::MenuHandle handle) {
  if (!handle) return nullptr;
  for (auto& m : menus())
    if (m->handle == handle) return m.get();
  return nullptr;
}

ScriptMenuItem* find_item_by_id(uint16_t id, ScriptMenu** menu) {
  for (auto& m : menus())
    for (auto& item : m->items)
      if (item->id == id) {
        if (menu) *menu = m.get();
        return item.get();
      }
  return nullptr;
}

bool item_position(StringView spec, size_t& index) {
  if (spec.size() < 2 || spec.back() != u'&' || spec[spec.size() - 2] == u'&') return false;
  StringView digits = spec.substr(0, spec.size() - 1);
  if (numeric_type_of(digits) != NumType::Integer) return false;
  int64_t n = text_to_int(digits);
  if (n < 1) return false;
  index = size_t(n - 1);
  return true;
}

ScriptMenuItem* find_item(ScriptMenu& menu, StringView spec, size_t* index) {
  size_t at = 0;
  if (item_position(spec, at)) {
    if (at >= menu.items.size()) return nullptr;
    if (index) *index = at;
    return menu.items[at].get();
  }
  // "Name&&" ends in a literal ampersand: the name is written with one.
  String name(spec);
  if (name.size() >= 2 && name.ends_with(u"&&")) name.pop_back();
  for (size_t i = 0; i < menu.items.size(); ++i) {
    ScriptMenuItem& item = *menu.items[i];
    if (!item.separator() && equals_ignore_case(item.name, name)) {
      if (index) *index = i;
      return &item;
    }
  }
  return nullptr;
}

uint16_t next_item_id() {
  for (uint32_t attempts = 0; attempts < uint32_t(kLastItemId - kFirstItemId + 1); ++attempts) {
    uint16_t id = g_next_id;
    g_next_id = g_next_id >= kLastItemId ? kFirstItemId : uint16_t(g_next_id + 1);
    if (!id_in_use(id)) return id;
  }
  return 0;
}

bool menu_contains(const ScriptMenu& menu, const ScriptMenu& parent) {
  if (&menu == &parent) return true;
  for (const auto& item : menu.items)
    if (item->submenu && menu_contains(*item->submenu, parent)) return true;
  return false;
}

MenuError add_item(ScriptMenu& menu, StringView name, const MenuTarget& target, const MenuItemOptions& options) {
  if (name.size() > kMaxMenuNameLength) return MenuError::ItemNameTooLong;
  if (MenuError e = check_target(menu, target); e != MenuError::None) return e;
  ScriptMenuItem* item = name.empty() ? nullptr : find_item(menu, name);
  if (!item) {
    if (!name.empty() && name.back() == u'&') {
      // A position names an item that must exist; "Name&&" is a name.
      size_t at;
      if (item_position(name, at)) return MenuError::ItemMissing;
      if (name.ends_with(u"&&")) name.remove_suffix(1);
    }
    return make_item(menu, menu.items.size(), name, target, options);
  }
  if (target.given) set_target(*item, target);
  apply(*item, options);
  menu_changed(menu);
  return MenuError::None;
}

MenuError insert_item(ScriptMenu& menu, StringView before, StringView name, const MenuTarget& target,
                      const MenuItemOptions& options) {
  size_t at = menu.items.size();
  if (!before.empty()) {
    size_t pos = 0;
    // Past the last item by one is the end: 3& in a menu of two appends.
    if (item_position(before, pos) && pos == menu.items.size()) {
      at = pos;
    } else if (!find_item(menu, before, &at)) {
      return MenuError::ItemMissing;
    }
  }
  if (name.size() > kMaxMenuNameLength) return MenuError::ItemNameTooLong;
  if (MenuError e = check_target(menu, target); e != MenuError::None) return e;
  // A name already in the menu is that item, changed where it stands.
  if (!name.empty() && find_item(menu, name)) return add_item(menu, name, target, options);
  return make_item(menu, at, name, target, options);
}

MenuError rename_item(ScriptMenu& menu, StringView spec, StringView new_name) {
  ScriptMenuItem* item = find_item(menu, spec);
  if (!item) return MenuError::ItemMissing;
  if (new_name.size() > kMaxMenuNameLength) return MenuError::RenameFailed;
  ScriptMenuItem* other = new_name.empty() ? nullptr : find_item(menu, new_name);
  if (other && other != item) return MenuError::RenameFailed;
  item->name = String(new_name);
  if (item->separator()) {
    // A separator runs nothing and cannot be the default.
    item->callable = Callable();
    item->submenu = nullptr;
    if (menu.default_item == item) menu.default_item = nullptr;
  }
  menu_changed(menu);
  return MenuError::None;
}

MenuError delete_item(ScriptMenu& menu, StringView spec) {
  size_t index = 0;
  if (!find_item(menu, spec, &index)) return MenuError::ItemMissing;
  if (g_threads.menu_active) return MenuError::ItemsInUse;
  forget_item(menu, index);
  menu_changed(menu);
  return MenuError::None;
}

MenuError delete_all_items(ScriptMenu& menu) {
  if (g_threads.menu_active) return MenuError::ItemsInUse;
  menu.items.clear();
  menu.default_item = nullptr;
  menu.standard_at = 0;
  menu_changed(menu);
  return MenuError::None;
}

MenuError delete_menu(ScriptMenu& menu) {
  if (menu.is_tray()) return MenuError::TrayUndeletable;
  // Everything that could refuse is asked before anything changes.
  if (!menu.bar_windows.empty() || g_threads.menu_active) return MenuError::MenuInUse;
  for (auto& other : menus()) {
    if (other.get() == &menu) continue;
    bool changed = false;
    for (size_t i = other->items.size(); i-- > 0;)
      if (other->items[i]->submenu == &menu) {
        forget_item(*other, i);
        changed = true;
      }
    if (changed) menu_changed(*other);
  }
  destroy_system_menu(menu);
  std::erase_if(menus(), [&](const std::unique_ptr<ScriptMenu>& m) { return m.get() == &menu; });
  return MenuError::None;
}

void set_standard(ScriptMenu& menu, bool on) {
  if (menu.standard == on) return;
  menu.standard = on;
  menu.standard_at = menu.items.size();
  menu_changed(menu);
}

}  // namespace orv
