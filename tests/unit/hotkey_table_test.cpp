// The hotkey table: defining hotkeys and their variants, the errors a
// definition can meet, finding a hotkey by what its text means, choosing
// the variant a press runs, the registered-or-hook decision of a refresh,
// and the ListHotkeys report.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "input/hotkey_table.h"
#include "input/key_codes.h"
#include "input/keyboard_layout.h"
#include "runtime/script_program.h"

namespace orv {
namespace {

String u16(const char* s) { return utf8_to_utf16(s); }
std::string u8(StringView s) { return utf16_to_utf8(s); }

// Registers whatever it is asked to, except the keys it is told to refuse.
struct FakeRegistrar : HotkeyRegistrar {
  std::map<uint16_t, std::pair<uint32_t, uint8_t>> registered;
  std::set<uint8_t> refused_vks;
  bool register_hotkey(uint16_t id, uint32_t mods, uint8_t vk) override {
    if (refused_vks.count(vk)) return false;
    registered[id] = {mods, vk};
    return true;
  }
  void unregister_hotkey(uint16_t id) override { registered.erase(id); }
};

// Criteria hold when their title is in `holding`.
struct FakeJudge : CriterionJudge {
  std::set<String> holding;
  bool holds(const HotkeyCriterion& c, uintptr_t& found) override {
    found = holding.count(c.title) ? 42 : 0;
    return found != 0;
  }
};

// Hotkeys defined with a label each: the label tells the variants apart.
struct TableFixture : ::testing::Test {
  HotkeyTable table;
  BindingDefaults defaults;
  std::vector<std::unique_ptr<Label>> labels;
  const KeyboardLayout& layout = system_layout();

  Callable label(const char* name) {
    labels.push_back(std::make_unique<Label>());
    labels.back()->name = StringView(u"x");
    Callable c;
    c.label = labels.back().get();
    return c;
  }
  HotkeyEntry* define(const char* text, HotkeyCriterion criterion = {}, uint16_t action = 0) {
    HotkeyEntry* e = nullptr;
    String culprit;
    HotkeyError error = table.define(u16(text), label(text), action, criterion, defaults, layout, e, culprit);
    EXPECT_EQ(error, HotkeyError::None) << text << ": " << u8(message_of(error, culprit));
    return e;
  }
  std::string error_of(const char* text, uint16_t action = 0) {
    HotkeyEntry* e = nullptr;
    String culprit;
    HotkeyError error = table.define(u16(text), label(text), action, {}, defaults, layout, e, culprit);
    return std::to_string(error_level_of(error)) + " " + u8(message_of(error, culprit));
  }
  static HotkeyCriterion active(const char* title) {
    HotkeyCriterion c;
    c.kind = CriterionKind::IfWinActive;
    c.title = u16(title);
    return c;
  }
};

TEST_F(TableFixture, DefinitionErrors) {
  EXPECT_EQ(error_of("^NoSuchKey"), "2 \"NoSuchKey\" is not a valid key name.");
  EXPECT_EQ(error_of("WheelDown & a"), "3 \"WheelDown\" is not allowed as a prefix key.");
  EXPECT_EQ(error_of("!Tab", alt_tab::AltTab), "4 The AltTab hotkey \"!Tab\" must specify which key (L or R).");
  EXPECT_EQ(error_of("<!<^Tab", alt_tab::AltTab),
            "4 The AltTab hotkey \"<!<^Tab\" must have exactly one modifier/prefix.");
  EXPECT_EQ(error_of("LShift & WheelDown"), "0 ");
  EXPECT_EQ(error_of("LAlt & Tab", alt_tab::AltTab), "0 ");
  // One left/right modifier becomes the key to hold.
  HotkeyEntry* e = define("<!Tab", {}, alt_tab::ShiftAltTab);
  ASSERT_TRUE(e);
  EXPECT_TRUE(e->key.has_prefix);
  EXPECT_EQ(e->key.prefix_vk, vk::LAlt);
  EXPECT_EQ(e->key.sided, 0);
}

TEST_F(TableFixture, TheThousandAndFirstHotkey) {
  // A thousand distinct hotkeys: keys, modifier sets and the pass-through flag.
  std::vector<std::string> keys;
  for (int f = 1; f <= 24; ++f) keys.push_back("F" + std::to_string(f));
  for (char c = 'a'; c <= 'z'; ++c) keys.push_back(std::string(1, c));
  for (char c = '0'; c <= '9'; ++c) keys.push_back(std::string(1, c));
  int made = 0;
  for (const char* flag : {"", "~"}) {
    for (int mods = 0; mods < 16 && made < 1000; ++mods) {
      for (const std::string& key : keys) {
        if (made == 1000) break;
        std::string text = flag;
        for (int bit = 0; bit < 4; ++bit)
          if (mods & (1 << bit)) text += "^!+#"[bit];
        ASSERT_TRUE(define((text + key).c_str())) << text + key;
        ++made;
      }
    }
  }
  EXPECT_EQ(table.size(), 1000u);
  EXPECT_EQ(error_of("F1 Up"), "98 Max hotkeys.");
  // Another variant of an existing hotkey is no new hotkey.
  HotkeyEntry* e = define("F1", active("Notepad"));
  ASSERT_TRUE(e);
  EXPECT_EQ(e->bindings.size(), 2u);
}

TEST_F(TableFixture, FoundByMeaningNotSpelling) {
  HotkeyEntry* e = define("^!a");
  EXPECT_EQ(table.find(u"!^A", layout), e);
  EXPECT_EQ(table.find(u"^!a Up", layout), nullptr);
  EXPECT_EQ(table.find(u"~^!a", layout), nullptr);
  EXPECT_EQ(table.find(u"<^!a", layout), nullptr);
  HotkeyEntry* combo = define("a & b");
  EXPECT_EQ(table.find(u"A & B", layout), combo);
  EXPECT_EQ(table.find(u"~a & b", layout), nullptr);
}

TEST_F(TableFixture, ChoosingAVariant) {
  HotkeyEntry* e = define("F2");
  define("F2", active("Editor"));
  define("F2", active("Browser"));
  FakeJudge judge;
  uintptr_t found = 0;
  EXPECT_EQ(HotkeyTable::choose(*e, judge, false, found), &e->bindings[0]);
  judge.holding = {u"Browser"};
  EXPECT_EQ(HotkeyTable::choose(*e, judge, false, found), &e->bindings[2]);
  EXPECT_EQ(found, 42u);
  judge.holding = {u"Browser", u"Editor"};  // the first defined wins
  EXPECT_EQ(HotkeyTable::choose(*e, judge, false, found), &e->bindings[1]);
  e->bindings[1].enabled = false;
  EXPECT_EQ(HotkeyTable::choose(*e, judge, false, found), &e->bindings[2]);
  // Suspended, only variants that begin with Suspend run: these do not.
  EXPECT_EQ(HotkeyTable::choose(*e, judge, true, found), nullptr);
  HotkeyEntry* only_criteria = define("F3", active("Editor"));
  judge.holding.clear();
  EXPECT_EQ(HotkeyTable::choose(*only_criteria, judge, false, found), nullptr);
}

TEST_F(TableFixture, RefreshDecidesRegistrationOrHook) {
  HotkeyEntry* f1 = define("F1");
  HotkeyEntry* ctrl_f5 = define("^F5");
  HotkeyEntry* a = define("a");
  HotkeyEntry* f6 = define("F6");
  HotkeyEntry* f7 = define("F7", active("Editor"));
  HotkeyEntry* win = define("#F8");
  HotkeyEntry* shift = define("+Shift");
  FakeRegistrar registrar;
  registrar.refused_vks = {0x75};  // F6 is taken by another program
  EXPECT_EQ(table.refresh(registrar, false), NeedKeyboardHook);
  EXPECT_EQ(f1->type, HotkeyType::Registered);
  EXPECT_EQ(registrar.registered[f1->id], std::make_pair(0u, uint8_t(0x70)));
  EXPECT_EQ(registrar.registered[ctrl_f5->id], std::make_pair(uint32_t(ModControl), uint8_t(0x74)));
  EXPECT_EQ(registrar.registered[win->id].first, uint32_t(ModWin));
  EXPECT_EQ(a->type, HotkeyType::Registered);
  EXPECT_EQ(f6->type, HotkeyType::KeyboardHook);  // refused: the hook does it
  EXPECT_EQ(f7->type, HotkeyType::KeyboardHook);  // only a criterion: the hook decides
  EXPECT_EQ(shift->type, HotkeyType::KeyboardHook);

  // A key-up hotkey and a prefix take the registered hotkeys of their keys along.
  define("F1 Up");
  define("a & b");
  HotkeyEntry* wild = define("*^F5");
  EXPECT_EQ(table.refresh(registrar, false), NeedKeyboardHook);
  EXPECT_EQ(f1->type, HotkeyType::KeyboardHook);
  EXPECT_EQ(a->type, HotkeyType::KeyboardHook);
  EXPECT_EQ(ctrl_f5->type, HotkeyType::KeyboardHook);
  EXPECT_EQ(wild->type, HotkeyType::KeyboardHook);
  EXPECT_EQ(registrar.registered.count(f1->id), 0u);
  EXPECT_EQ(registrar.registered.count(a->id), 0u);
  EXPECT_EQ(registrar.registered.count(win->id), 1u);

  // Suspended, nothing here is exempt: every registration goes.
  EXPECT_EQ(table.refresh(registrar, true), 0);
  EXPECT_TRUE(registrar.registered.empty());
}

TEST_F(TableFixture, MouseHotkeys) {
  HotkeyEntry* wheel = define("WheelUp");
  HotkeyEntry* mixed = define("LButton & a");
  HotkeyEntry* shifted = define("RButton & WheelDown");
  FakeRegistrar registrar;
  EXPECT_EQ(table.refresh(registrar, false), NeedKeyboardHook | NeedMouseHook);
  EXPECT_EQ(wheel->type, HotkeyType::MouseHook);
  EXPECT_EQ(mixed->type, HotkeyType::BothHooks);
  EXPECT_EQ(shifted->type, HotkeyType::BothHooks);  // a prefix is kept by the keyboard side too
}

TEST_F(TableFixture, Report) {
  define("F1");
  HotkeyEntry* two = define("^F2");
  define("^F2", active("Editor"));
  two->bindings[1].enabled = false;
  two->bindings[0].input_level = 2;
  two->bindings[1].input_level = 5;
  two->bindings[0].running_threads = 1;
  HotkeyEntry* off = define("a Up");
  off->bindings[0].enabled = false;
  defaults.input_level = 10;
  define("F9");
  FakeRegistrar registrar;
  registrar.refused_vks = {0x70};
  (void)table.refresh(registrar, false);
  std::string dashes(67, '-');
  EXPECT_EQ(u8(table.report(false, false)), "Type\tOff?\tLevel\tRunning\tName\r\n" + dashes +
                                                "\r\n"
                                                "k-hook\t\t\t\tF1\r\n"
                                                "reg\tPART\t2-5\t1\t^F2\r\n"
                                                "k-hook\tOFF\t\t\ta Up\r\n"
                                                "k-hook\t\t10\t\tF9\r\n");
  EXPECT_NE(u8(table.report(true, true)).find("k-hook\t\t0xA\t\tF9"), std::string::npos);
}

}  // namespace
}  // namespace orv

#include "input/joystick_hotkeys.h"

namespace orv {
namespace {

// The buttons each joystick holds now, as the poller reads them.
uint32_t g_buttons[16];
uint32_t read_buttons(uint8_t index) { return g_buttons[index]; }

TEST(JoystickHotkeys, AButtonGoingDownFiresItsHotkeyOnce) {
  HotkeyTable table;
  auto define = [&](const char* text) {
    HotkeyEntry* e = nullptr;
    String culprit;
    EXPECT_EQ(table.define(utf8_to_utf16(text), Callable(), 0, HotkeyCriterion(), BindingDefaults(), system_layout(), e,
                           culprit),
              HotkeyError::None)
        << text;
    return e;
  };
  uint16_t joy3 = define("Joy3")->id;
  uint16_t second_joy1 = define("2Joy1")->id;
  define("Joy4")->enabled = false;
  JoystickPoller poller;
  ASSERT_TRUE(poller.arm(table));
  std::vector<uint16_t> fired;
  // Held before the first look: nothing fires.
  std::fill(std::begin(g_buttons), std::end(g_buttons), 0u);
  g_buttons[0] = 0b100;
  poller.poll(read_buttons, fired);
  EXPECT_TRUE(fired.empty());
  // Released, then pressed with button 4 (turned off) and the second joystick's button 1.
  g_buttons[0] = 0;
  poller.poll(read_buttons, fired);
  g_buttons[0] = 0b1100;
  g_buttons[1] = 0b1;
  poller.poll(read_buttons, fired);
  EXPECT_EQ(fired, (std::vector<uint16_t>{joy3, second_joy1}));
  // Still held: no repeat.
  fired.clear();
  poller.poll(read_buttons, fired);
  EXPECT_TRUE(fired.empty());

  HotkeyTable none;
  EXPECT_FALSE(poller.arm(none));
}

}  // namespace
}  // namespace orv
