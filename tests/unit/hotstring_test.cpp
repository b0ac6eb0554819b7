// Hotstrings: their options, the text the erase-and-replace step types,
// and the hook's matching key by key through the real hook processor with
// a scripted keyboard. What users notice: the replacement follows the case
// they typed, a word boundary is respected, a correction with Backspace
// still matches, switching windows or moving the caret forgets what was
// typed, and the key that completes a match never reaches the window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/hook_events.h"
#include "input/hotstring_collector.h"
#include "input/hotstring_table.h"
#include "input/key_codes.h"

namespace orv {
namespace {

String u16(const char* s) { return utf8_to_utf16(s); }

TEST(HotstringOptions, ReadEachOptionAndItsOffForm) {
  struct Case {
    const char* text;
    bool needs_end, inside, backspace, sensitive, adapt, drop, raw, reset;
    HotstringSendMode mode;
    int32_t key_delay, priority;
  };
  using M = HotstringSendMode;
  const Case cases[] = {
      {"", true, false, true, false, true, false, false, false, M::InputThenPlay, 0, 0},
      {"*", false, false, true, false, true, false, false, false, M::InputThenPlay, 0, 0},
      {"**0", true, false, true, false, true, false, false, false, M::InputThenPlay, 0, 0},
      {"?b0", true, true, false, false, true, false, false, false, M::InputThenPlay, 0, 0},
      {"C", true, false, true, true, false, false, false, false, M::InputThenPlay, 0, 0},
      {"C1", true, false, true, false, false, false, false, false, M::InputThenPlay, 0, 0},
      {"C C0", true, false, true, false, true, false, false, false, M::InputThenPlay, 0, 0},
      {"O R Z", true, false, true, false, true, true, true, true, M::InputThenPlay, 0, 0},
      {"OR0Z0", true, false, true, false, true, true, false, false, M::InputThenPlay, 0, 0},
      {"se K-1 P12", true, false, true, false, true, false, false, false, M::Event, -1, 12},
      {"SP", true, false, true, false, true, false, false, false, M::Play, 0, 0},
      {"SE SI", true, false, true, false, true, false, false, false, M::InputThenPlay, 0, 0},
  };
  for (const Case& c : cases) {
    HotstringOptions o;
    apply_hotstring_options(u16(c.text), o);
    EXPECT_EQ(o.needs_end_char, c.needs_end) << c.text;
    EXPECT_EQ(o.inside_word, c.inside) << c.text;
    EXPECT_EQ(o.backspace, c.backspace) << c.text;
    EXPECT_EQ(o.case_sensitive, c.sensitive) << c.text;
    EXPECT_EQ(o.adapt_case, c.adapt) << c.text;
    EXPECT_EQ(o.drop_end_char, c.drop) << c.text;
    EXPECT_EQ(o.raw, c.raw) << c.text;
    EXPECT_EQ(o.reset_after_fire, c.reset) << c.text;
    EXPECT_EQ(o.send_mode, c.mode) << c.text;
    EXPECT_EQ(o.key_delay, c.key_delay) << c.text;
    EXPECT_EQ(o.priority, c.priority) << c.text;
  }
}

TEST(HotstringTable, AbbreviationOfFortyOneCharactersIsRefused) {
  HotstringTable t;
  HotstringEntry e;
  e.abbreviation = String(40, u'a');
  EXPECT_EQ(t.define(e), HotstringError::None);
  e.abbreviation = String(41, u'a');
  EXPECT_EQ(t.define(e), HotstringError::TooLong);
  EXPECT_EQ(t.size(), 1u);
}

TEST(HotstringCase, ModeFollowsTheLettersTyped) {
  const std::pair<const char*, uint8_t> cases[] = {
      {"btw", 0}, {"Btw", 2}, {"BTW", 1}, {"bTW", 0}, {"BTw", 0}, {"B", 2}, {"1st", 0}, {"1ST", 1},
      {"Ébc", 2}, {"ÉBC", 1}, {"--", 0},
  };
  for (const auto& [typed, mode] : cases) EXPECT_EQ(case_mode_of(u16(typed)), mode) << typed;
}

TEST(HotstringReplacement, KeysErasingAndTyping) {
  struct Case {
    const char* options;
    const char* abbreviation;
    const char* replacement;
    char16_t end;
    uint8_t case_mode;
    const char* keys;
  };
  const Case cases[] = {
      {"", "btw", "by the way", u' ', 0, "{BS 3}by the way{Raw} "},
      {"", "btw", "by the way", u' ', 2, "{BS 3}By the way{Raw} "},
      {"", "btw", "by the way", u' ', 1, "{BS 3}BY THE WAY{Raw} "},
      {"C", "btw", "by the way", u' ', 1, "{BS 3}by the way{Raw} "},
      {"C1", "btw", "by the way", u' ', 2, "{BS 3}by the way{Raw} "},
      {"*", "btw", "by the way", 0, 0, "{BS 2}by the way"},
      {"*", "x", "wide", 0, 0, "wide"},
      {"O", "btw", "by the way", u'.', 0, "{BS 3}by the way"},
      {"B0", "btw", "by the way", u'\n', 0, "by the way{Raw}\n"},
      {"R", "sig", "a{b}^c", u'\t', 0, "{BS 3}{Raw}a{b}^c\t"},
      {"", "br", "{Enter}", u'{', 0, "{BS 2}{Enter}{Raw}{"},
  };
  for (const Case& c : cases) {
    HotstringEntry h;
    apply_hotstring_options(u16(c.options), h.options);
    h.abbreviation = u16(c.abbreviation);
    h.replacement = u16(c.replacement);
    EXPECT_EQ(utf16_to_utf8(replacement_keys(h, c.end, c.case_mode)), c.keys) << c.options << " " << c.abbreviation;
  }
}

// A keyboard where every key types the character it is named after: the
// test presses characters, and Backspace, Left and the rest by their codes.
struct TypingActions : HookActions {
  std::vector<HotstringMatch> matches;
  std::vector<std::u16string> true_windows;
  void post_hotkey(uint16_t, uint16_t, intptr_t) override {}
  bool window_criterion(const HotkeyCriterion& c) override {
    for (const auto& w : true_windows)
      if (c.title == w) return true;
    return false;
  }
  bool if_expression(int32_t, uint16_t) override { return false; }
  void send_key(uint8_t, uint16_t, bool, uintptr_t) override {}
  size_t key_chars(uint8_t vk, uint16_t sc, uint8_t, char16_t* out) override {
    if (vk != kCharKey) return vk == 0x0D ? (out[0] = u'\r', 1) : 0;
    out[0] = char16_t(sc);
    return 1;
  }
  void post_hotstring(const HotstringMatch& m) override { matches.push_back(m); }
  static constexpr uint8_t kCharKey = 0xE8;  // an unassigned key: the character rides in the scan code
};

struct HotstringFixture : ::testing::Test {
  HotstringTable table;
  HotstringCollector collector;
  HookProcessor hook;
  TypingActions actions;
  uintptr_t window = 1;

  void define(const char* options, const char* abbreviation, const char* replacement = "x",
              HotkeyCriterion criterion = {}, uint8_t input_level = 0) {
    HotstringEntry e;
    apply_hotstring_options(u16(options), e.options);
    e.abbreviation = u16(abbreviation);
    e.replacement = u16(replacement);
    e.criterion = criterion;
    e.input_level = input_level;
    e.name = u16(abbreviation);
    ASSERT_EQ(table.define(e), HotstringError::None);
  }
  void start(const char* end_chars = "-()[]{}:;'\"/\\,.?!\n \t") {
    collector.adopt(&table, u16(end_chars), true);
    hook.set_hotstrings(&collector);
  }
  // Types each character; returns what reached the window ('#' for a
  // suppressed key).
  std::string type(const char* text, uintptr_t tag = 0) {
    std::string reached;
    for (char16_t c : u16(text)) {
      KeyEvent e;
      e.vk = c == u'\b' ? vk::Back : c == u'\r' ? 0x0D : TypingActions::kCharKey;
      e.sc = c;
      e.window = window;
      e.extra = tag;
      e.injected = tag != 0;
      bool passed = hook.process(e, actions) == HookVerdict::Pass;
      e.key_up = true;
      (void)hook.process(e, actions);
      reached += passed ? char(c) : '#';
    }
    return reached;
  }
  void press(uint8_t vk) {
    KeyEvent e;
    e.vk = vk;
    e.window = window;
    (void)hook.process(e, actions);
    e.key_up = true;
    (void)hook.process(e, actions);
  }
  std::string matched() const {
    std::string out;
    for (const HotstringMatch& m : actions.matches) {
      if (!out.empty()) out += ",";
      out += utf16_to_utf8(table.at(m.index).abbreviation);
      if (m.end_char) out += "+" + utf16_to_utf8(String(1, m.end_char));
      if (m.case_mode) out += "#" + std::to_string(m.case_mode);
    }
    return out;
  }
};

TEST_F(HotstringFixture, EndingCharacterCompletesAndIsKeptFromTheWindow) {
  define("", "btw");
  start();
  EXPECT_EQ(type("btw "), "btw#");
  EXPECT_EQ(matched(), "btw+ ");
  EXPECT_EQ(actions.matches[0].window, window);
  // Without an ending character nothing happens.
  actions.matches.clear();
  EXPECT_EQ(type("btwx"), "btwx");
  EXPECT_EQ(matched(), "");
}

TEST_F(HotstringFixture, CaseOfTheTypedAbbreviationIsReported) {
  define("", "btw");
  define("C", "Ctx");
  start();
  type("Btw. BTW, btw\r");
  EXPECT_EQ(matched(), "btw+.#2,btw+,#1,btw+\n");
  actions.matches.clear();
  type(" ctx Ctx ");
  EXPECT_EQ(matched(), "Ctx+ ");
}

TEST_F(HotstringFixture, StarMatchesOnTheLastLetterAndQuestionMarkInsideWords) {
  define("*", "qq");
  define("?", "ing");
  start();
  EXPECT_EQ(type("aqq"), "aqq");  // "aqq" is a word: qq is inside it
  EXPECT_EQ(type(" qq"), " q#");
  EXPECT_EQ(type(" testing "), " testing#");
  EXPECT_EQ(matched(), "qq,ing+ ");
}

TEST_F(HotstringFixture, BackspaceCorrectsAndCaretMovesForget) {
  define("", "btw");
  start();
  type("btx\bw ");
  EXPECT_EQ(matched(), "btw+ ");
  actions.matches.clear();
  type("bt");
  press(0x25);  // Left: the caret is elsewhere now
  type("w ");
  EXPECT_EQ(matched(), "");
}

TEST_F(HotstringFixture, AnotherWindowBetweenTheLettersPreventsTheMatch) {
  define("", "btw");
  start();
  type("bt");
  window = 2;
  type("w ");
  window = 1;
  type("btw ");
  EXPECT_EQ(matched(), "btw+ ");
}

TEST_F(HotstringFixture, AClickForgetsWhatWasTyped) {
  define("", "btw");
  start();
  type("bt");
  press(vk::LButton);
  type("w ");
  EXPECT_EQ(matched(), "");
}

TEST_F(HotstringFixture, FirstInTheTableWinsAcrossEndingsAndAutoReplaceStartsAfresh) {
  define("*", "a.");  // ends in the ending character itself
  define("", "a");
  start();
  type(" a.");
  EXPECT_EQ(matched(), "a.");
  actions.matches.clear();
  // The replacement cleared the buffer: a match at its very start counts.
  type("a.");
  EXPECT_EQ(matched(), "a.");
}

TEST_F(HotstringFixture, CriterionAndSendLevelDecide) {
  HotkeyCriterion notepad;
  notepad.kind = CriterionKind::IfWinActive;
  notepad.title = u"Notepad";
  define("", "btw", "x", notepad);
  define("", "lvl", "x", {}, 1);
  start();
  type("btw ");
  actions.true_windows.push_back(u"Notepad");
  type("btw ");
  EXPECT_EQ(matched(), "btw+ ");
  actions.matches.clear();
  // The program's own keys: ignored at level 0, and at level 1 they do not
  // reach a hotstring of input level 1 but do at level 2.
  type(" lvl ", event_tag::kLevel0);
  type(" lvl ", event_tag::kLevel0 - 1);
  EXPECT_EQ(matched(), "");
  type(" lvl ", event_tag::kLevel0 - 2);
  EXPECT_EQ(matched(), "lvl+ ");
}

TEST_F(HotstringFixture, LongTypingKeepsTheLatestCharacters) {
  define("", "end");
  start();
  std::string text(200, 'x');
  type((text + " end ").c_str());
  EXPECT_EQ(matched(), "end+ ");
  EXPECT_LE(collector.typed().size(), 90u);
}

TEST_F(HotstringFixture, LabelHotstringKeepsTheBufferUnlessZ) {
  define("*", "ab", "");
  define("*Z", "cd", "");
  start();
  type(" ab");
  EXPECT_EQ(utf16_to_utf8(String(collector.typed())), " ab");
  type(" cd");
  EXPECT_EQ(collector.typed().size(), 0u);
}

}  // namespace
}  // namespace orv
