// The menu records and what they build: items looked up by name and by
// position, insertion, renaming, submenus and their cycles, deleting menus
// that others use, the options words, and the entries the system menu
// receives (read back from the headless host's menu records), the tray
// menu's standard block among them.
#include <gtest/gtest.h>

#include "gui/menu_build.h"
#include "gui/menu_records.h"
#include "gui/menus.h"
#include "runtime/tray_icon_settings.h"

namespace orv {
namespace {

class Menus : public ::testing::Test {
 protected:
  ScriptMenu* menu(StringView name) {
    ScriptMenu* m = nullptr;
    EXPECT_EQ(create_menu(name, m), MenuError::None);
    return m;
  }
  void add(ScriptMenu& m, StringView name, StringView options = {}) {
    ASSERT_EQ(add_item(m, name, MenuTarget(), parse_menu_item_options(options)), MenuError::None);
  }
  String names(const ScriptMenu& m) {
    String out;
    for (auto& item : m.items) out += (item->separator() ? u"-" : item->name) + u"|";
    return out;
  }
  std::vector<platform::MenuEntry> entries(ScriptMenu& m) {
    std::vector<platform::MenuEntry> out;
    EXPECT_TRUE(platform::menu_system().entries(system_menu(m), out));
    return out;
  }
  void TearDown() override {
    for (auto& m : script_menus())
      if (!m->is_tray() && m->bar_windows.empty()) {
        delete_menu(*m);
        TearDown();
        return;
      }
    delete_all_items(tray_menu());
    set_standard(tray_menu(), true);
    tray_menu().standard_at = 0;
    g_main_window_allowed = true;
  }
};

TEST_F(Menus, ItemsByNameAndPosition) {
  ScriptMenu& m = *menu(u"Files");
  add(m, u"&Open");
  add(m, u"");  // a separator
  add(m, u"Save&&");
  add(m, u"Quit");
  EXPECT_EQ(names(m), u"&Open|-|Save&|Quit|");
  struct Case {
    StringView spec;
    size_t index;  // -1: none
  } cases[] = {
      {u"&open", 0}, {u"1&", 0}, {u"2&", 1}, {u"0x3&", 2}, {u"Save&&", 2}, {u"save&", 2},
      {u"4&", 3},    {u"5&", size_t(-1)}, {u"0&", size_t(-1)}, {u"Open", size_t(-1)}, {u"", size_t(-1)},
  };
  for (const Case& c : cases) {
    size_t index = size_t(-1);
    ScriptMenuItem* item = find_item(m, c.spec, &index);
    EXPECT_EQ(item ? index : size_t(-1), c.index) << utf16_to_utf8(c.spec);
  }
  // A position is never a new item's name.
  EXPECT_EQ(add_item(m, u"7&", MenuTarget(), {}), MenuError::ItemMissing);
}

TEST_F(Menus, InsertRenameAndUpdate) {
  ScriptMenu& m = *menu(u"Edit");
  add(m, u"One");
  add(m, u"Two");
  uint16_t two = m.items[1]->id;
  EXPECT_EQ(insert_item(m, u"2&", u"Half", MenuTarget(), {}), MenuError::None);
  EXPECT_EQ(insert_item(m, u"4&", u"End", MenuTarget(), {}), MenuError::None);  // one past the last appends
  EXPECT_EQ(insert_item(m, u"9&", u"Far", MenuTarget(), {}), MenuError::ItemMissing);
  EXPECT_EQ(insert_item(m, u"Nope", u"X", MenuTarget(), {}), MenuError::ItemMissing);
  EXPECT_EQ(insert_item(m, u"", u"", MenuTarget(), {}), MenuError::None);  // a separator at the end
  EXPECT_EQ(names(m), u"One|Half|Two|End|-|");
  // Add on an existing item changes it where it stands and keeps its id.
  add(m, u"two", u"+Radio P7");
  EXPECT_EQ(m.items[2]->id, two);
  EXPECT_TRUE(m.items[2]->radio);
  EXPECT_EQ(m.items[2]->priority, 7);
  EXPECT_EQ(names(m), u"One|Half|Two|End|-|");

  m.default_item = m.items[3].get();
  EXPECT_EQ(rename_item(m, u"End", u""), MenuError::None);  // now a separator, and no default
  EXPECT_EQ(m.default_item, nullptr);
  EXPECT_EQ(rename_item(m, u"One", u"Half"), MenuError::RenameFailed);
  EXPECT_EQ(rename_item(m, u"One", String(261, u'n')), MenuError::RenameFailed);
  EXPECT_EQ(rename_item(m, u"Gone", u"X"), MenuError::ItemMissing);
  EXPECT_EQ(rename_item(m, u"1&", u"First"), MenuError::None);
  EXPECT_EQ(names(m), u"First|Half|Two|-|-|");
  EXPECT_EQ(add_item(m, String(261, u'n'), MenuTarget(), {}), MenuError::ItemNameTooLong);
  ScriptMenu* none = nullptr;
  EXPECT_EQ(create_menu(String(261, u'm'), none), MenuError::MenuNameTooLong);
}

TEST_F(Menus, IdsAreUniqueAcrossMenus) {
  ScriptMenu& a = *menu(u"A");
  ScriptMenu& b = *menu(u"B");
  add(a, u"x");
  add(b, u"x");
  add(a, u"y");
  EXPECT_NE(a.items[0]->id, b.items[0]->id);
  EXPECT_NE(a.items[1]->id, b.items[0]->id);
  for (auto* m : {&a, &b})
    for (auto& item : m->items) {
      EXPECT_GE(item->id, kFirstItemId);
      EXPECT_LT(item->id, kStandardItemIds);
      ScriptMenu* owner = nullptr;
      EXPECT_EQ(find_item_by_id(item->id, &owner), item.get());
      EXPECT_EQ(owner, m);
    }
}

TEST_F(Menus, SubmenusAndTheirCycles) {
  ScriptMenu& top = *menu(u"Top");
  ScriptMenu& mid = *menu(u"Mid");
  ScriptMenu& low = *menu(u"Low");
  MenuTarget to_mid, to_low, to_top, to_self;
  to_mid.submenu = &mid;
  to_low.submenu = &low;
  to_top.submenu = &top;
  to_self.submenu = &low;
  EXPECT_EQ(add_item(top, u"Mid", to_mid, {}), MenuError::None);
  EXPECT_EQ(add_item(mid, u"Low", to_low, {}), MenuError::None);
  EXPECT_EQ(add_item(low, u"Back", to_top, {}), MenuError::SubmenuContainsParent);
  EXPECT_EQ(add_item(low, u"Self", to_self, {}), MenuError::SubmenuContainsParent);
  EXPECT_EQ(insert_item(low, u"", u"Back", to_top, {}), MenuError::SubmenuContainsParent);
  EXPECT_TRUE(low.items.empty());

  // The system menus open one another.
  auto e = entries(top);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].submenu, mid.handle);
  EXPECT_EQ(entries(mid)[0].submenu, low.handle);

  // Deleting a submenu takes it out of the menus that open it.
  platform::MenuHandle mid_handle = mid.handle;
  EXPECT_EQ(delete_menu(mid), MenuError::None);
  EXPECT_EQ(find_menu(u"Mid"), nullptr);
  EXPECT_TRUE(top.items.empty());
  EXPECT_TRUE(entries(top).empty());
  EXPECT_FALSE(platform::menu_system().exists(mid_handle));
}

TEST_F(Menus, MenusInUseAreLeftWhole) {
  EXPECT_EQ(delete_menu(tray_menu()), MenuError::TrayUndeletable);
  ScriptMenu& bar = *menu(u"Bar");
  ScriptMenu& host = *menu(u"Host");
  add(bar, u"File");
  MenuTarget to_bar;
  to_bar.submenu = &bar;
  EXPECT_EQ(add_item(host, u"Opens bar", to_bar, {}), MenuError::None);
  bar.bar_windows.push_back(0x1234);
  // Refused before anything changes: the other menu still opens it.
  EXPECT_EQ(delete_menu(bar), MenuError::MenuInUse);
  EXPECT_EQ(names(host), u"Opens bar|");
  EXPECT_EQ(find_menu(u"bar"), &bar);
  bar.bar_windows.clear();
  EXPECT_EQ(delete_menu(bar), MenuError::None);
}

TEST_F(Menus, OptionsWords) {
  struct Case {
    StringView text;
    int radio, right, brk, bar_break;
    bool has_priority;
    int32_t priority;
  } cases[] = {
      {u"", -1, -1, -1, -1, false, 0},
      {u"Radio", 1, -1, -1, -1, false, 0},
      {u"+radio\t-Right  Break -BarBreak", 1, 0, 1, 0, false, 0},
      {u"P5", -1, -1, -1, -1, true, 5},
      {u"p-3 Bogus +BarBreak", -1, -1, -1, 1, true, -3},
  };
  for (const Case& c : cases) {
    MenuItemOptions o = parse_menu_item_options(c.text);
    EXPECT_EQ(o.radio, c.radio) << utf16_to_utf8(c.text);
    EXPECT_EQ(o.right, c.right) << utf16_to_utf8(c.text);
    EXPECT_EQ(o.column_break, c.brk) << utf16_to_utf8(c.text);
    EXPECT_EQ(o.bar_break, c.bar_break) << utf16_to_utf8(c.text);
    EXPECT_EQ(o.has_priority, c.has_priority) << utf16_to_utf8(c.text);
    EXPECT_EQ(o.priority, c.priority) << utf16_to_utf8(c.text);
  }
}

TEST_F(Menus, EntriesFollowTheItems) {
  ScriptMenu& m = *menu(u"Look");
  add(m, u"Plain");
  add(m, u"");
  add(m, u"Choice", u"Radio Break");
  platform::MenuHandle handle = system_menu(m);
  m.items[2]->checked = true;
  m.items[0]->disabled = true;
  m.default_item = m.items[2].get();
  menu_changed(m);
  auto e = entries(m);
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0].text, u"Plain");
  EXPECT_TRUE(e[0].disabled);
  EXPECT_FALSE(e[0].is_default);
  EXPECT_TRUE(e[1].separator);
  EXPECT_TRUE(e[2].checked && e[2].radio && e[2].column_break && e[2].is_default);
  EXPECT_EQ(e[2].id, m.items[2]->id);
  // Changes rewrite the same system menu.
  EXPECT_EQ(rename_item(m, u"Plain", u"Renamed"), MenuError::None);
  EXPECT_EQ(system_menu(m), handle);
  EXPECT_EQ(entries(m)[0].text, u"Renamed");
  EXPECT_EQ(find_menu_by_handle(handle), &m);
}

TEST_F(Menus, TrayStandardBlock) {
  ScriptMenu& tray = tray_menu();
  add(tray, u"Mine");
  auto e = entries(tray);
  ASSERT_EQ(e.size(), 6u);
  EXPECT_EQ(e[0].id, StdOpen);
  EXPECT_TRUE(e[0].is_default);  // Open, while the script names no default
  EXPECT_TRUE(e[1].separator);
  EXPECT_EQ(e[2].id, StdSuspend);
  EXPECT_EQ(e[3].id, StdPause);
  EXPECT_EQ(e[4].id, StdExit);
  EXPECT_EQ(e[5].text, u"Mine");

  tray.default_item = tray.items[0].get();
  g_main_window_allowed = false;
  menu_changed(tray);
  e = entries(tray);
  ASSERT_EQ(e.size(), 4u);  // no Open, no separator after it
  EXPECT_EQ(e[0].id, StdSuspend);
  EXPECT_TRUE(e[3].is_default);

  set_standard(tray, false);
  e = entries(tray);
  ASSERT_EQ(e.size(), 1u);
  // Standard again appends the block after the items there are.
  set_standard(tray, true);
  add(tray, u"Later");
  e = entries(tray);
  ASSERT_EQ(e.size(), 5u);
  EXPECT_EQ(e[0].text, u"Mine");
  EXPECT_EQ(e[1].id, StdSuspend);
  EXPECT_EQ(e[4].text, u"Later");
  // Inserting before the block moves it along.
  EXPECT_EQ(insert_item(tray, u"1&", u"First", MenuTarget(), {}), MenuError::None);
  e = entries(tray);
  EXPECT_EQ(e[0].text, u"First");
  EXPECT_EQ(e[2].id, StdSuspend);
}

TEST_F(Menus, TrayTipIsCutWhole) {
  String tip(200, u'a');
  set_tray_tip_text(tip);
  EXPECT_EQ(g_tray_icon.tip.size(), 127u);
  // A pair that would straddle the cut is left out whole.
  tip = String(126, u'b') + u"\U0001F600" + u"tail";
  set_tray_tip_text(tip);
  EXPECT_EQ(g_tray_icon.tip, String(126, u'b'));
  tip = String(125, u'c') + u"\U0001F600" + u"tail";
  set_tray_tip_text(tip);
  EXPECT_EQ(g_tray_icon.tip.size(), 127u);
  set_tray_tip_text(u"");
  EXPECT_TRUE(g_tray_icon.tip.empty());
}

}  // namespace
}  // namespace orv
