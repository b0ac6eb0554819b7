// Window search against a scripted desktop: parsing the four strings into
// the search record, testing candidates in every title-match mode, hidden
// windows and text, the enumeration order and the shorthands.
#include <gtest/gtest.h>

#include "windows/window_finder.h"
#include "windows/window_groups.h"
#include "scripted_desktop.h"

namespace orv {
namespace {

using platform::WindowHandle;

class WindowSearch : public ::testing::Test {
 protected:
  ScriptedDesktop d;

  void SetUp() override {
    set_desktop_for_tests(&d);
    d.paths = {{10, u"C:\\Windows\\notepad.exe"}, {20, u"C:\\Tools\\Calc.EXE"}};
    top(0x100, {u"Untitled - Notepad", u"Notepad", 10});
    top(0x200, {u"Calculator", u"CalcFrame", 20});
    top(0x300, {u"Notepad helper", u"Helper", 20, false});  // hidden
    top(0x400, {u"Untitled - Notepad", u"Notepad", 10});     // a second, lower instance
    top(0x500, {u"Program Manager", u"Progman", 30});
    control(0x100, 0x101, u"Hello world", true);
    control(0x100, 0x102, u"secret", false);
    control(0x200, 0x201, u"0.", true);
    d.windows[0x401].parent = 0x400;  // a dialog owned by the second Notepad
    d.windows[0x401].title = u"owned";
  }
  void TearDown() override { set_desktop_for_tests(nullptr); }

  void top(WindowHandle h, FakeWindow w) {
    d.windows[h] = std::move(w);
    d.z_order.push_back(h);
  }
  void control(WindowHandle parent, WindowHandle h, StringView text, bool visible) {
    d.windows[h] = {String(text), u"Static", d.windows[parent].pid, visible, parent, {}};
    d.windows[parent].children.push_back(h);
  }

  WindowHandle find(StringView title, StringView text = {}, StringView ex_title = {}, StringView ex_text = {},
                    SearchSettings s = {}, MatchOrder order = MatchOrder::First) {
    SearchContext context;
    context.settings = s;
    return find_window({title, text, ex_title, ex_text}, context, order);
  }
};

TEST_F(WindowSearch, ParsesTheTitleAndEveryKeyword) {
  window_group(u"Editors");
  struct Case {
    const char16_t* win_title;
    bool ok;
    uint16_t flags;
    const char16_t* title;
    const char16_t* class_name;
    const char16_t* exe;
    uint32_t number;  // the pid, id or parent the keyword gave
  } cases[] = {
      {u"Untitled - Notepad", true, CriterionTitle, u"Untitled - Notepad", u"", u"", 0},
      {u"Untitled - Notepad orv_class Notepad", true, CriterionTitle | CriterionClass, u"Untitled - Notepad", u"Notepad", u"", 0},
      // Trailing blanks of a value never match anything: they go.
      {u"orv_class Notepad  orv_pid 5", true, CriterionClass | CriterionPid, u"", u"Notepad", u"", 5},
      {u"orv_class Notepad\t", true, CriterionClass, u"", u"Notepad", u"", 0},
      // Only a blank or tab before the first keyword is cut from the title.
      {u"Notepadorv_class X", true, CriterionTitle | CriterionClass, u"Notepad", u"X", u"", 0},
      // A later marker glued to a word is title text.
      {u"orv_class Axorv_pid 3", true, CriterionClass, u"", u"Axorv_pid 3", u"", 0},
      {u"orv_pid 0x1F", true, CriterionPid, u"", u"", u"", 0x1F},
      {u"orv_PID\t 42abc", true, CriterionPid, u"", u"", u"", 42},
      {u"orv_exe notepad.exe", true, CriterionExe, u"", u"", u"notepad.exe", 0},
      {u"orv_id 0x100", true, CriterionId, u"", u"", u"", 0x100},
      {u"orv_id 256", true, CriterionId, u"", u"", u"", 0x100},
      // The high bits of a handle that went through a wider value are ignored.
      {u"orv_id 0xFFFFFFFF00000100", true, CriterionId, u"", u"", u"", 0x100},
      {u"orv_parent 0x400", true, CriterionParent, u"", u"", u"", 0x400},
      {u"orv_group Editors", true, CriterionGroup, u"", u"", u"", 0},
      // An unknown word after the marker is plain title text.
      {u"orv_thing", true, CriterionTitle, u"orv_thing", u"", u"", 0},
      {u"orv_thing orv_class C", true, CriterionTitle | CriterionClass, u"orv_thing", u"C", u"", 0},
      // Nothing can match these.
      {u"orv_id 0", false, 0, u"", u"", u"", 0},
      {u"orv_id 0x999", false, 0, u"", u"", u"", 0},
      {u"orv_id 0xFFFF", false, 0, u"", u"", u"", 0},
      {u"orv_parent 0x999", false, 0, u"", u"", u"", 0},
      {u"orv_group NoSuchGroup", false, 0, u"", u"", u"", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(utf16_to_utf8(c.win_title));
    WindowCriteria out;
    ASSERT_EQ(parse_criteria(c.win_title, {}, {}, {}, {}, out), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(out.flags, c.flags);
    EXPECT_EQ(out.title, String(c.title));
    EXPECT_EQ(out.class_name, String(c.class_name));
    EXPECT_EQ(out.exe, String(c.exe));
    uint32_t number = (out.flags & CriterionPid) ? out.pid : (out.flags & CriterionId) ? out.id : out.parent;
    EXPECT_EQ(number, c.number);
  }
}

TEST_F(WindowSearch, BroadcastHandleOnlyWhereAccepted) {
  WindowCriteria out;
  EXPECT_FALSE(parse_criteria(u"orv_id 0xFFFF", {}, {}, {}, {}, out));
  EXPECT_TRUE(parse_criteria(u"orv_id 0xFFFF", {}, {}, {}, {}, out, BroadcastHandle::Accepted));
  EXPECT_EQ(out.id, kBroadcastHandle);
  EXPECT_EQ(find(u"orv_id 0xFFFF"), 0u);
}

TEST_F(WindowSearch, TitleMatchModes) {
  using M = TitleMatchMode;
  struct Case {
    M mode;
    const char16_t* title;
    WindowHandle found;
  } cases[] = {
      {M::StartsWith, u"Untitled", 0x100},  {M::StartsWith, u"Notepad", 0},  // not at the start
      {M::StartsWith, u"untitled", 0},      // case counts
      {M::Contains, u"Notepad", 0x100},     {M::Contains, u"notepad", 0},
      {M::Contains, u"ulator", 0x200},      {M::Exact, u"Calculator", 0x200},
      {M::Exact, u"Calculato", 0},          {M::RegEx, u"^Calc.*r$", 0x200},
      {M::RegEx, u"i)CALC", 0x200},         {M::RegEx, u"(unclosed", 0},  // an invalid pattern matches nothing
      {M::RegEx, u"Notepad$", 0x100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(utf16_to_utf8(c.title));
    EXPECT_EQ(find(c.title, {}, {}, {}, {c.mode}), c.found);
  }
}

TEST_F(WindowSearch, ClassExeAndProcessCriteria) {
  struct Case {
    const char16_t* title;
    TitleMatchMode mode;
    WindowHandle found;
  } cases[] = {
      {u"orv_class CalcFrame", TitleMatchMode::StartsWith, 0x200},
      {u"orv_class Calc", TitleMatchMode::StartsWith, 0},  // a class is equal or nothing
      {u"orv_class ^Calc", TitleMatchMode::RegEx, 0x200},
      {u"orv_exe NOTEPAD.EXE", TitleMatchMode::StartsWith, 0x100},  // the name, whatever its case
      {u"orv_exe C:\\Tools\\calc.exe", TitleMatchMode::StartsWith, 0x200},  // a path compares as a path
      {u"orv_exe C:\\Other\\calc.exe", TitleMatchMode::StartsWith, 0},
      {u"orv_exe Tools\\\\Calc", TitleMatchMode::RegEx, 0x200},  // RegEx sees the full path
      {u"orv_pid 20", TitleMatchMode::StartsWith, 0x200},
      {u"Untitled orv_pid 20", TitleMatchMode::StartsWith, 0},
      {u"orv_id 0x400", TitleMatchMode::StartsWith, 0x400},
      {u"Calculator orv_id 0x400", TitleMatchMode::StartsWith, 0},
      {u"orv_parent 0x400", TitleMatchMode::StartsWith, 0},  // the owned window is no top-level one here
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(utf16_to_utf8(c.title));
    EXPECT_EQ(find(c.title, {}, {}, {}, {c.mode}), c.found);
  }
}

TEST_F(WindowSearch, TextAndExcludeText) {
  SearchSettings hidden_text_off;
  hidden_text_off.hidden_text = false;
  struct Case {
    const char16_t* title;
    const char16_t* text;
    const char16_t* exclude_title;
    const char16_t* exclude_text;
    SearchSettings settings;
    WindowHandle found;
  } cases[] = {
      {u"", u"world", u"", u"", {}, 0x100},
      {u"", u"secret", u"", u"", {}, 0x100},               // hidden text is seen by default
      {u"", u"secret", u"", u"", hidden_text_off, 0},
      {u"Untitled", u"", u"", u"world", {}, 0x400},        // the second instance has no controls
      {u"Calculator", u"", u"", u"nothing", {}, 0x200},    // ExcludeText alone keeps a window
      {u"Untitled", u"", u"", u"secret", hidden_text_off, 0x100},
      {u"Untitled", u"Hello", u"", u"secret", {}, 0},       // excluded even after WinText matched
      {u"Untitled", u"", u"Untitled - N", u"", {}, 0},
      {u"", u"", u"Untitled", u"", {}, 0x200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(utf16_to_utf8(String(c.title) + u"|" + c.text + u"|" + c.exclude_text));
    EXPECT_EQ(find(c.title, c.text, c.exclude_title, c.exclude_text, c.settings), c.found);
  }
}

TEST_F(WindowSearch, EnumerationOrderHiddenWindowsAndMatchList) {
  EXPECT_EQ(find(u"Untitled"), 0x100u);
  EXPECT_EQ(find(u"Untitled", {}, {}, {}, {}, MatchOrder::Last), 0x400u);
  EXPECT_EQ(find(u"Notepad helper"), 0u);
  SearchSettings hidden;
  hidden.hidden_windows = true;
  EXPECT_EQ(find(u"Notepad helper", {}, {}, {}, hidden), 0x300u);
  EXPECT_EQ(find(u"orv_id 0x300"), 0u);
  EXPECT_EQ(find(u"orv_id 0x300", {}, {}, {}, hidden), 0x300u);

  std::vector<WindowHandle> all;
  SearchContext context;
  EXPECT_EQ(find_window({u"orv_pid 10"}, context, MatchOrder::First, &all), 0x100u);
  EXPECT_EQ(all, (std::vector<WindowHandle>{0x100, 0x400}));
  std::vector<WindowHandle> seen{0x100};
  context.skip = &seen;
  EXPECT_EQ(find_window({u"orv_pid 10"}, context), 0x400u);

  // A list with no criteria is every window (the hidden ones when detected).
  context = SearchContext();
  context.last_found = 0x200;
  list_windows({}, context, all);
  EXPECT_EQ(all, (std::vector<WindowHandle>{0x100, 0x200, 0x400, 0x500}));
  context.settings = hidden;
  list_windows({}, context, all);
  EXPECT_EQ(all, (std::vector<WindowHandle>{0x100, 0x200, 0x300, 0x400, 0x500}));
  list_windows({u"orv_pid 10"}, context, all);
  EXPECT_EQ(all, (std::vector<WindowHandle>{0x100, 0x400}));
}

TEST_F(WindowSearch, ActiveWindowAndLastFoundShorthands) {
  d.active = 0x200;
  SearchContext context;
  EXPECT_EQ(find_window({u"a"}, context), 0x200u);
  // With a WinText, "A" is an ordinary title.
  EXPECT_EQ(find_window({u"A", u"0."}, context), 0u);
  EXPECT_EQ(find_active_window({u"Calc"}, context), 0x200u);
  EXPECT_EQ(find_active_window({u"Untitled"}, context), 0u);
  // Four empty strings: the Last Found Window, while it can still be found.
  EXPECT_EQ(find_window({}, context), 0u);
  EXPECT_EQ(find_active_window({}, context), 0u);
  context.last_found = 0x200;
  EXPECT_EQ(find_window({}, context), 0x200u);
  EXPECT_EQ(find_active_window({}, context), 0x200u);
  context.last_found = 0x300;  // hidden
  EXPECT_EQ(find_window({}, context), 0u);
  context.last_found = 0x102;  // a hidden control still counts
  EXPECT_EQ(find_window({}, context), 0x102u);
  d.active = 0x300;
  EXPECT_EQ(find_window({u"A"}, context), 0u);
  EXPECT_EQ(find_active_window({u"Notepad helper"}, context), 0u);
}

TEST_F(WindowSearch, GroupsMatchAnyEntry) {
  WindowGroup& g = window_group(u"Tools");
  add_group_entry(g, {u"Calculator", {}, {}, {}});
  add_group_entry(g, {u"Calculator", {}, {}, {}});  // the same entry again is not added
  add_group_entry(g, {{}, u"secret", {}, {}});
  EXPECT_EQ(g.entries.size(), 2u);
  EXPECT_EQ(&window_group(u"TOOLS"), &g);
  std::vector<WindowHandle> all;
  SearchContext context;
  find_window({u"orv_group tools"}, context, MatchOrder::First, &all);
  EXPECT_EQ(all, (std::vector<WindowHandle>{0x100, 0x200}));

  WindowGroup& every = window_group(u"Everything");
  add_group_entry(every, {});
  EXPECT_EQ(every.entries[0].exclude_title, u"Program Manager");
  find_window({u"orv_group Everything"}, context, MatchOrder::First, &all);
  EXPECT_EQ(all, (std::vector<WindowHandle>{0x100, 0x200, 0x400}));

  // A group that names itself matches nothing instead of recursing.
  WindowGroup& loop = window_group(u"Loop");
  add_group_entry(loop, {u"orv_group Loop", {}, {}, {}});
  EXPECT_EQ(find(u"orv_group Loop"), 0u);
}

}  // namespace
}  // namespace orv
