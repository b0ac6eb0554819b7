// The control commands' pure parts against a scripted desktop: ClassNN
// numbering and naming a control, ControlClick's parameters, style
// changes, and the notifications a choice in a list sends its parent.
#include <gtest/gtest.h>

#include "scripted_desktop.h"
#include "windows/control_click.h"
#include "windows/control_lists.h"
#include "windows/control_messages.h"
#include "windows/control_names.h"
#include "windows/window_commands.h"
#include "windows/window_set_values.h"
#include "windows/window_styles.h"

namespace orv {
namespace {

class Controls : public ::testing::Test {
 protected:
  ScriptedDesktop d;

  void SetUp() override {
    set_desktop_for_tests(&d);
    d.windows[0x100] = {u"Form", u"Frame", 1, true, 0, {}};
    d.z_order = {0x100};
    control(0x100, 0x101, u"Edit", u"first");
    control(0x100, 0x102, u"Button", u"OK");
    control(0x100, 0x103, u"Edit", u"second");
    control(0x100, 0x104, u"Button", u"Cancel", false);
    // A control inside a control still counts in the window's order.
    control(0x103, 0x105, u"Edit", u"inner");
    control(0x100, 0x106, u"ComboBox", u"");
    control(0x100, 0x107, u"ListBox", u"");
    control(0x100, 0x108, u"msctls_statusbar32", u"");
  }
  void TearDown() override { set_desktop_for_tests(nullptr); }

  void control(WindowHandle parent, WindowHandle h, StringView cls, StringView text, bool visible = true) {
    d.windows[h] = {String(text), String(cls), 1, visible, parent, {}};
    d.windows[parent].children.push_back(h);
  }
};

TEST_F(Controls, NumbersClassesInTheWindowsOrder) {
  std::vector<WindowHandle> all;
  d.descendants(0x100, all);
  std::vector<String> names;
  class_nn_names(all, names);
  std::vector<String> expected = {u"Edit1", u"Button1", u"Edit2", u"Edit3", u"Button2", u"ComboBox1", u"ListBox1", u"msctls_statusbar321"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(class_nn_of(0x100, 0x105), u"Edit3");
  EXPECT_EQ(class_nn_of(0x100, 0x999), u"");
}

TEST_F(Controls, NamesAControlByClassNNTextOrHandle) {
  SearchSettings shown_only;
  shown_only.hidden_text = false;
  struct Case {
    const char16_t* name;
    WindowHandle found;
    SearchSettings settings;
  } cases[] = {
      {u"", 0x100, {}},
      {u"Edit1", 0x101, {}},
      {u"edit2", 0x103, {}},  // classes compare without regard to case
      {u"Edit3", 0x105, {}},
      {u"Edit4", 0, {}},
      {u"Edit0", 0, {}},
      {u"msctls_statusbar321", 0x108, {}},  // a class name that ends in digits
      {u"Button2", 0x104, {}},
      {u"OK", 0x102, {}},  // text, starting the control's
      {u"sec", 0x103, {}},
      {u"Cancel", 0x104, {}},
      {u"Cancel", 0, shown_only},
      {u"orv_id 0x103", 0x103, {}},
      {u"orv_id 0x100", 0x100, {}},
      {u"orv_id 0x999", 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(utf16_to_utf8(c.name));
    EXPECT_EQ(find_control(0x100, c.name, c.settings), c.found);
  }
}

TEST(ControlClick, ReadsButtonCountAndOptions) {
  struct Case {
    const char16_t *button, *count, *options;
    bool ok;
    uint32_t msg, flags, x_button;
    int32_t wheel, n;
    bool na, down, up, pos;
    int32_t x, y;
  } cases[] = {
      {u"", u"", u"", true, wm::LButtonDown, wm::MkLButton, 0, 0, 1, false, false, false, false, 0, 0},
      {u"R", u"2", u"NA", true, wm::RButtonDown, wm::MkRButton, 0, 0, 2, true, false, false, false, 0, 0},
      {u"middle", u"", u"D x5 Y-7", true, wm::MButtonDown, wm::MkMButton, 0, 0, 1, false, true, false, false, 5, -7},
      {u"X2", u"", u"U Pos", true, wm::XButtonDown, wm::MkXButton2, 2, 0, 1, false, false, true, true, 0, 0},
      {u"WD", u"3", u"", true, wm::MouseWheel, 0, 0, -1, 3, false, false, false, false, 0, 0},
      {u"WheelUp", u"", u"", true, wm::MouseWheel, 0, 0, 1, 1, false, false, false, false, 0, 0},
      {u"Bogus", u"", u"", false},
      {u"L", u"two", u"", false},
      {u"L", u"", u"Q", false},
      {u"L", u"", u"Xabc", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(utf16_to_utf8(String(c.button) + u"|" + c.count + u"|" + c.options));
    ClickRequest r;
    ASSERT_EQ(parse_click(c.button, c.count, c.options, r), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(r.down_msg, c.msg);
    EXPECT_EQ(r.key_flags, c.flags);
    EXPECT_EQ(r.x_button, c.x_button);
    EXPECT_EQ(r.wheel, c.wheel);
    EXPECT_EQ(r.count, c.n);
    EXPECT_EQ(r.no_activate, c.na);
    EXPECT_EQ(r.down_only, c.down);
    EXPECT_EQ(r.up_only, c.up);
    EXPECT_EQ(r.position, c.pos);
    EXPECT_EQ(r.x, c.x);
    EXPECT_EQ(r.y, c.y);
  }
}

TEST(ControlClick, ReadsAPosition) {
  struct Case {
    const char16_t* text;
    bool ok;
    int32_t x, y;
  } cases[] = {{u"X10 Y20", true, 10, 20}, {u"y-3  x4", true, 4, -3}, {u"X10", false}, {u"Edit1", false},
               {u"X1 Y2 Z3", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(utf16_to_utf8(c.text));
    int32_t x = 0, y = 0;
    ASSERT_EQ(parse_position(c.text, x, y), c.ok);
    if (c.ok) EXPECT_EQ(std::make_pair(x, y), std::make_pair(c.x, c.y));
  }
}

TEST(WindowStyles, ChangesAndShowsStyles) {
  struct Case {
    const char16_t* change;
    bool ok;
    uint32_t result;
  } cases[] = {{u"0x10", true, 0x10}, {u"+0x1", true, 0xF1}, {u"-0x10", true, 0xE0}, {u"^0x30", true, 0xC0},
               {u" 16 ", true, 0x10}, {u"abc", false, 0},    {u"+", false, 0},       {u"", false, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(utf16_to_utf8(c.change));
    uint32_t out = 0;
    ASSERT_EQ(changed_style(c.change, 0xF0, out), c.ok);
    if (c.ok) EXPECT_EQ(out, c.result);
  }
  EXPECT_EQ(style_text(0x14CF0000), u"0x14CF0000");
  EXPECT_EQ(style_text(0xA), u"0xA");
  EXPECT_EQ(style_text(0), u"0x0");
}

TEST_F(Controls, AChoiceTellsTheParentAsAUsersWould) {
  d.ids[0x106] = 7;
  d.ids[0x107] = 8;
  d.answers[wm::CbSetCurSel] = 2;
  ASSERT_TRUE(choose_item(0x106, 2));
  ASSERT_EQ(d.sent.size(), 3u);
  EXPECT_EQ(d.sent[0].msg, wm::CbSetCurSel);
  EXPECT_EQ(d.sent[0].wparam, 2u);
  for (int i : {1, 2}) {
    EXPECT_TRUE(d.sent[i].posted);
    EXPECT_EQ(d.sent[i].to, WindowHandle(0x100));
    EXPECT_EQ(d.sent[i].msg, wm::Command);
    EXPECT_EQ(d.sent[i].lparam, intptr_t(0x106));
  }
  EXPECT_EQ(d.sent[1].wparam, (wm::CbnSelEndOk << 16) | 7);
  EXPECT_EQ(d.sent[2].wparam, (wm::CbnSelChange << 16) | 7);

  // A list box that allows several selections refuses the single choice.
  d.sent.clear();
  d.answers[wm::LbSetCurSel] = wm::Error;
  ASSERT_TRUE(choose_item(0x107, 0));
  ASSERT_EQ(d.sent.size(), 3u);
  EXPECT_EQ(d.sent[1].msg, wm::LbSetSel);
  EXPECT_EQ(d.sent[2].wparam, (wm::LbnSelChange << 16) | 8);

  // No such item: nothing is announced.
  d.sent.clear();
  d.answers[wm::LbSetSel] = wm::Error;
  EXPECT_FALSE(choose_item(0x107, 9));
  EXPECT_FALSE(choose_item(0x107, -1));
  for (const auto& s : d.sent) EXPECT_NE(s.msg, wm::Command);
}

TEST(WindowSet, ReadsColors) {
  struct Case {
    const char16_t* text;
    bool ok;
    uint32_t rgb;
  } cases[] = {{u"Red", true, 0xFF0000}, {u"aqua", true, 0x00FFFF}, {u"0x00FF80", true, 0x00FF80},
               {u"ff8000", true, 0xFF8000}, {u"Pink", false, 0},     {u"0x1234567", false, 0},
               {u"", false, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(utf16_to_utf8(c.text));
    uint32_t rgb = 0;
    ASSERT_EQ(parse_color(c.text, rgb), c.ok);
    if (c.ok) EXPECT_EQ(rgb, c.rgb);
  }
}

TEST(WindowSet, ReadsRegions) {
  using Kind = platform::WindowRegion::Kind;
  struct Case {
    const char16_t* text;
    bool ok;
    Kind kind;
    int32_t x, y, w, h;
    size_t points;
  } cases[] = {
      {u"", true, Kind::None, 0, 0, 0, 0, 0},
      {u"0-0 300-0 300-300", true, Kind::Polygon, 0, 0, 0, 0, 3},
      {u"50-0 W200 H250", true, Kind::Rectangle, 50, 0, 200, 250, 1},
      {u"W200 H100 E", true, Kind::Ellipse, 0, 0, 200, 100, 0},
      {u"-5-10 w20 h30 R", true, Kind::Rounded, -5, 10, 20, 30, 1},
      {u"0-0 10-10", false},       // two points are no shape
      {u"W200 E", false},          // an ellipse needs both sizes
      {u"0-0 10-10 Q", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(utf16_to_utf8(c.text));
    platform::WindowRegion r;
    ASSERT_EQ(parse_region(c.text, r), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(r.kind, c.kind);
    EXPECT_EQ(r.points.size(), c.points);
    if (c.kind != Kind::Polygon) EXPECT_EQ((std::vector<int32_t>{r.x, r.y, r.width, r.height}), (std::vector<int32_t>{c.x, c.y, c.w, c.h}));
  }
  platform::WindowRegion r;
  ASSERT_TRUE(parse_region(u"W10 H10 R5-8", r));
  EXPECT_EQ(std::make_pair(r.corner_width, r.corner_height), std::make_pair(5, 8));
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// A window with a menu bar "&File" (Open..., Save, Save &As..., a
// separator, Recent > One) and "&View", and a system menu with Close.
struct MenuSelect : ::testing::Test {
  ScriptedDesktop d;
  void SetUp() override {
    d.windows[1] = FakeWindow{u"Editor", u"EditorClass"};
    d.z_order = {1};
    d.menu_bars[1] = 10;
    d.system_menus[1] = 30;
    d.menus[10] = {{u"&File", -1, 11}, {u"&View", -1, 12}};
    d.menus[11] = {{u"&Open...\tCtrl+O", 101}, {u"Save", 102}, {u"Save &As...", 103}, {u"", -1}, {u"Recent", -1, 13}};
    d.menus[12] = {{u"&Lines && Vars", 201}};
    d.menus[13] = {{u"One", 131}};
    d.menus[30] = {{u"&Close\tAlt+F4", 0xF060}};
  }
};

TEST_F(MenuSelect, NamesAndPositionsLeadToTheCommand) {
  struct Case {
    std::vector<StringView> names;
    uint32_t msg;  // 0: nothing chosen
    uintptr_t id;
  };
  const Case cases[] = {
      {{u"File", u"Open"}, 0x0111, 101},          // the beginning of an item's text
      {{u"file", u"save"}, 0x0111, 102},          // a whole match before a longer one
      {{u"&File", u"Save"}, 0x0111, 102},         // the name as the item is written
      {{u"File", u"Save As"}, 0x0111, 103},
      {{u"1&", u"3&"}, 0x0111, 103},
      {{u"File", u"Recent", u"One"}, 0x0111, 131},
      {{u"View", u"Lines & Vars"}, 0x0111, 201},
      {{u"0&", u"Close"}, 0x0112, 0xF060},        // the system menu
      {{u"File", u"Recent"}, 0, 0},               // a submenu is nothing to choose
      {{u"File", u"4&"}, 0, 0},                   // nor a separator
      {{u"File", u"9&"}, 0, 0},
      {{u"Edit"}, 0, 0},
      {{u"File", u"Open", u"More"}, 0, 0},
  };
  for (const Case& c : cases) {
    d.sent.clear();
    bool chosen = choose_menu_item(d, 1, c.names);
    EXPECT_EQ(chosen, c.msg != 0) << utf16_to_utf8(String(c.names[0])) << " ... " << utf16_to_utf8(String(c.names.back()));
    if (chosen && !d.sent.empty()) {
      EXPECT_EQ(d.sent[0].msg, c.msg);
      EXPECT_EQ(d.sent[0].wparam, c.id);
      EXPECT_TRUE(d.sent[0].posted);
    }
  }
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

TEST(MinimizeAll, OnlyWhatAUserCouldMinimizeAndTheUndoRestoresExactlyThat) {
  using platform::ShowCommand;
  ScriptedDesktop d;
  constexpr uint32_t kMinimizeBox = 0x00020000;
  d.windows[1] = FakeWindow{u"Editor", u"E"};
  d.windows[2] = FakeWindow{u"Tool", u"T"};                // no minimize box
  d.windows[3] = FakeWindow{u"Hidden", u"H", 0, false};    // not shown
  d.windows[4] = FakeWindow{u"Already", u"A"};
  d.windows[5] = FakeWindow{u"Browser", u"B"};
  d.z_order = {1, 2, 3, 4, 5};
  for (WindowHandle w : {1, 3, 4, 5}) d.styles[w] = kMinimizeBox;
  d.states[4] = platform::ShowState::Minimized;
  std::vector<WindowHandle> minimized;
  minimize_all(d, minimized);
  EXPECT_EQ(minimized, (std::vector<WindowHandle>{1, 5}));
  // The user brings one back meanwhile; the undo leaves it be and restores
  // the other, and never the window that was minimized before.
  d.states[5] = platform::ShowState::Normal;
  d.shown.clear();
  undo_minimize_all(d, minimized);
  ASSERT_EQ(d.shown.size(), 1u);
  EXPECT_EQ(d.shown[0].first, 1u);
  EXPECT_EQ(d.shown[0].second, ShowCommand::Restore);
  EXPECT_TRUE(minimized.empty());
}

}  // namespace
}  // namespace orv
