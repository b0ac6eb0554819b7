// The hook's decisions, event by event, against hotkey tables built from
// real hotkey texts: what fires, what reaches the window, what the hook
// believes is held afterwards, and what it sends of its own. The rules
// that matter most to users: a prefix used alone still types, "~" never
// suppresses, key-up hotkeys fire on release, wildcards ignore other
// modifiers, the script's own sends fire only hotkeys of a lower input
// level, and a suppressed key never stays logically held.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "events/callable.h"
#include "input/hook_events.h"
#include "input/hook_tables.h"
#include "input/hotkey_table.h"
#include "input/key_history.h"
#include "input/key_codes.h"
#include "input/keyboard_layout.h"

namespace orv {
namespace {

String u16(const char* s) { return utf8_to_utf16(s); }

struct Recorder : HookActions {
  std::vector<std::string> log;  // "fire NAME", "send VK up/down TAG"
  const HotkeyTable* table = nullptr;
  std::set<std::u16string> true_windows;
  bool expression_result = false;
  bool num_lock = false;
  bool num_lock_on() override { return num_lock; }
  void post_hotkey(uint16_t id, uint16_t variant, intptr_t info) override {
    std::string entry = "fire " + utf16_to_utf8(table->at(id).name);
    if (variant) entry += " #" + std::to_string(variant);
    if (info) entry += " x" + std::to_string(info);
    log.push_back(entry);
  }
  bool window_criterion(const HotkeyCriterion& c) override { return true_windows.count(c.title) > 0; }
  bool if_expression(int32_t, uint16_t) override { return expression_result; }
  void send_key(uint8_t vk, uint16_t, bool up, uintptr_t tag) override {
    char buf[64];
    snprintf(buf, sizeof buf, "send %02X %s %s", vk, up ? "up" : "down", tag == event_tag::kAsPhysical ? "phys" : "own");
    log.push_back(buf);
  }
};

struct HookFixture : ::testing::Test {
  HotkeyTable table;
  std::unique_ptr<HookTables> tables;
  HookProcessor hook;
  Recorder actions;

  void define(const char* text, uint8_t input_level = 0, HotkeyCriterion criterion = {}, uint16_t action = 0) {
    BindingDefaults d;
    d.input_level = input_level;
    HotkeyEntry* e = nullptr;
    String culprit;
    Callable c;
    ASSERT_EQ(table.define(u16(text), c, action, criterion, d, system_layout(), e, culprit), HotkeyError::None) << text;
    e->use_hook = true;  // as the refresh leaves every hotkey the system does not register
    e->type = e->key.mouse ? HotkeyType::MouseHook : HotkeyType::KeyboardHook;
  }
  void build() {
    tables = build_hook_tables(table, false);
    hook.adopt(tables.get());
    actions.table = &table;
  }
  // Presses or releases a key as the user would; returns "pass" or "block".
  std::string key(uint8_t vk, bool up, uintptr_t tag = 0, uint16_t sc = 0) {
    KeyEvent e;
    e.vk = vk;
    e.sc = sc;
    e.key_up = up;
    e.injected = tag != 0;
    e.extra = tag;
    return hook.process(e, actions) == HookVerdict::Pass ? "pass" : "block";
  }
  std::string tap(uint8_t vk) {
    std::string down = key(vk, false);
    return down + "/" + key(vk, true);
  }
  std::vector<std::string> take() { return std::exchange(actions.log, {}); }
};

using Log = std::vector<std::string>;

TEST_F(HookFixture, PrefixKeysAndCombinations) {
  define("a & b");
  define("~c & d");
  build();
  // a then b: the combination fires, neither key reaches the window.
  EXPECT_EQ(key('A', false), "block");
  EXPECT_EQ(key('B', false), "block");
  EXPECT_EQ(key('B', true), "block");
  EXPECT_EQ(key('A', true), "block");
  EXPECT_EQ(take(), Log{"fire a & b"});
  // a alone: kept back, then typed after all when released.
  EXPECT_EQ(tap('A'), "block/block");
  EXPECT_EQ(take(), (Log{"send 41 down phys", "send 41 up own"}));
  // The re-sent pair passes through the hook untouched; under Wine it
  // arrives while the release that caused it is still being decided.
  EXPECT_EQ(key('A', false, event_tag::kAsPhysical), "pass");
  EXPECT_EQ(key('A', true, event_tag::kLevel0), "pass");
  EXPECT_FALSE(hook.logically_down('A'));
  EXPECT_FALSE(hook.physically_down('A'));
  // "~c": the prefix types at once and is not typed again.
  EXPECT_EQ(key('C', false), "pass");
  EXPECT_EQ(tap('D'), "block/block");
  EXPECT_EQ(key('C', true), "pass");
  EXPECT_EQ(take(), Log{"fire ~c & d"});
  // b alone is an ordinary key.
  EXPECT_EQ(tap('B'), "pass/pass");
  EXPECT_TRUE(take().empty());
}

TEST_F(HookFixture, ModifiersWildcardsAndPassThrough) {
  define("^F1");
  define("*F2");
  define("^F2");
  define("~F3");
  define("<^F4");
  build();
  EXPECT_EQ(tap(0x70), "pass/pass");  // F1 without Control
  EXPECT_EQ(key(vk::RControl, false), "pass");
  EXPECT_EQ(tap(0x70), "block/block");  // right Control is Control
  EXPECT_EQ(tap(0x73), "pass/pass");    // but not left Control
  EXPECT_EQ(tap(0x71), "block/block");  // ^F2 beats *F2 with Control held
  EXPECT_EQ(key(vk::LShift, false), "pass");
  EXPECT_EQ(tap(0x71), "block/block");  // Control and Shift: only the wildcard
  EXPECT_EQ(key(vk::LShift, true), "pass");
  EXPECT_EQ(key(vk::RControl, true), "pass");
  EXPECT_EQ(tap(0x72), "pass/pass");  // "~": fires and types
  EXPECT_EQ(take(), (Log{"fire ^F1", "fire ^F2", "fire *F2", "fire ~F3"}));
  EXPECT_EQ(hook.logical_modifiers(), 0);
  // The neutral key of the system becomes a side by its scan code.
  EXPECT_EQ(key(vk::Control, false, 0, 0x11D), "pass");
  EXPECT_EQ(hook.logical_modifiers(), ModRCtrl);
  EXPECT_EQ(key(vk::Control, true, 0, 0x11D), "pass");
  EXPECT_EQ(key(vk::Shift, false, 0, 0x36), "pass");  // right Shift, without the extended flag
  EXPECT_EQ(hook.logical_modifiers(), ModRShift);
}

TEST_F(HookFixture, ReleaseHotkeys) {
  define("F5 Up");
  define("F6");
  define("F6 Up");
  define("~F7 Up");
  build();
  EXPECT_EQ(key(0x74, false), "block");
  EXPECT_TRUE(take().empty());
  EXPECT_EQ(key(0x74, true), "block");
  EXPECT_EQ(take(), Log{"fire F5 Up"});
  EXPECT_EQ(tap(0x75), "block/block");
  EXPECT_EQ(take(), (Log{"fire F6", "fire F6 Up"}));
  EXPECT_EQ(tap(0x76), "pass/pass");
  EXPECT_EQ(take(), Log{"fire ~F7 Up"});
}

TEST_F(HookFixture, TheScriptsOwnEvents) {
  define("F8");
  define("F9", 1);
  build();
  uintptr_t level0 = event_tag::kLevel0, level1 = event_tag::kLevel0 - 1, level2 = event_tag::kLevel0 - 2;
  EXPECT_EQ(key(0x77, false, level0), "pass");  // SendLevel 0 fires nothing
  EXPECT_EQ(key(0x77, true, level0), "pass");
  EXPECT_EQ(key(0x77, false, level1), "block");  // SendLevel 1 fires level-0 hotkeys
  EXPECT_EQ(key(0x77, true, level1), "block");
  EXPECT_EQ(key(0x78, false, level1), "pass");  // ... but not those of level 1
  EXPECT_EQ(key(0x78, true, level1), "pass");
  EXPECT_EQ(key(0x78, false, level2), "block");
  EXPECT_EQ(key(0x78, true, level2), "block");
  // Another program's injected events are the user's as far as hotkeys go,
  // even when their extra information ends in the program's 32-bit tag.
  uintptr_t foreign = sizeof(uintptr_t) == 8 ? uintptr_t(0x1FFC3D44Dull) : uintptr_t(0x1234);
  EXPECT_EQ(key(0x77, false, foreign), "block");
  EXPECT_EQ(key(0x77, true, foreign), "block");
  EXPECT_EQ(take(), (Log{"fire F8", "fire F9", "fire F8"}));
}

TEST_F(HookFixture, VariantsByCriterion) {
  HotkeyCriterion editor;
  editor.kind = CriterionKind::IfWinActive;
  editor.title = u"Editor";
  HotkeyCriterion expression;
  expression.kind = CriterionKind::IfExpression;
  expression.if_expression = 0;
  define("F10", 0, editor);
  define("F10", 0, expression);
  define("F11", 0, editor);
  build();
  EXPECT_EQ(tap(0x79), "pass/pass");  // no criterion holds: the key is the window's
  actions.expression_result = true;
  EXPECT_EQ(tap(0x79), "block/block");
  actions.true_windows = {u"Editor"};
  EXPECT_EQ(tap(0x79), "block/block");
  EXPECT_EQ(tap(0x7A), "block/block");
  EXPECT_EQ(take(), (Log{"fire F10 #2", "fire F10", "fire F11"}));
}

TEST_F(HookFixture, MenuMaskAndAltTab) {
  define("#F12");
  define("LAlt & Tab", 0, {}, alt_tab::AltTab);
  build();
  // Win held alone while a hotkey fires: its release is masked so that no
  // Start menu opens.
  EXPECT_EQ(key(vk::LWin, false), "pass");
  EXPECT_EQ(tap(0x7B), "block/block");
  EXPECT_EQ(key(vk::LWin, true), "block");
  EXPECT_EQ(take(), (Log{"fire #F12", "send A2 down own", "send A2 up own", "send 5B up own"}));
  EXPECT_TRUE(hook.logically_down(vk::LWin));  // until the release made again comes by
  EXPECT_EQ(key(vk::LWin, true, event_tag::kLevel0), "pass");
  EXPECT_EQ(hook.logical_modifiers(), 0);
  // LAlt & Tab: the hook presses Alt, taps Tab, and lets go of Alt with the prefix.
  EXPECT_EQ(key(vk::LAlt, false), "block");
  EXPECT_EQ(tap(vk::Tab), "block/block");
  EXPECT_EQ(key(vk::LAlt, true), "block");
  EXPECT_EQ(take(), (Log{"send A4 down own", "send 09 down own", "send 09 up own", "send A4 up own"}));
}

TEST_F(HookFixture, AltTabMenu) {
  define("F1", 0, {}, alt_tab::Menu);
  define("F2", 0, {}, alt_tab::AndMenu);
  define("!F3", 0, {}, alt_tab::MenuDismiss);
  build();
  // F1 opens the menu: Alt pressed and held, Tab tapped.
  EXPECT_EQ(tap(0x70), "block/block");
  EXPECT_TRUE(hook.alt_tab_menu_shown());
  EXPECT_EQ(take(), (Log{"send A4 down own", "send 09 down own", "send 09 up own"}));
  EXPECT_EQ(key(vk::LAlt, false, event_tag::kLevel0), "pass");  // the Alt it sent arrives
  // F2 moves on to the next window; found with Alt held because the menu holds it.
  EXPECT_EQ(tap(0x71), "block/block");
  EXPECT_EQ(take(), (Log{"send 09 down own", "send 09 up own"}));
  // Esc closes the menu: Alt let go, Esc kept from the window.
  EXPECT_EQ(key(vk::Escape, false), "block");
  EXPECT_FALSE(hook.alt_tab_menu_shown());
  EXPECT_EQ(take(), Log{"send A4 up own"});
  EXPECT_EQ(key(vk::Escape, true), "block");
  EXPECT_EQ(key(vk::LAlt, true, event_tag::kLevel0), "pass");
  // Opened again and closed by F1 itself, or by the dismiss hotkey.
  tap(0x70);
  key(vk::LAlt, false, event_tag::kLevel0);
  take();
  EXPECT_EQ(tap(0x72), "block/block");  // !F3 with the menu's Alt held
  EXPECT_EQ(take(), Log{"send A4 up own"});
  EXPECT_FALSE(hook.alt_tab_menu_shown());
}

TEST_F(HookFixture, NothingStaysHeld) {
  define("^a");
  build();
  // The hotkey's key is suppressed; Control is not. After everything is
  // released, the hook holds nothing, logically or physically.
  EXPECT_EQ(key(vk::LControl, false), "pass");
  EXPECT_EQ(key('A', false), "block");
  EXPECT_EQ(key(vk::LControl, true), "pass");
  EXPECT_EQ(key('A', true), "block");
  EXPECT_EQ(hook.logical_modifiers(), 0);
  EXPECT_EQ(hook.physical_modifiers(), 0);
  EXPECT_FALSE(hook.logically_down('A'));
  EXPECT_FALSE(hook.physically_down('A'));
  // Ctrl+Alt+Del takes the keyboard away: the hook forgets what was held.
  EXPECT_EQ(key(vk::LControl, false), "pass");
  EXPECT_EQ(key(vk::LAlt, false), "pass");
  key(vk::Delete, false);
  EXPECT_EQ(hook.logical_modifiers(), 0);
}

TEST_F(HookFixture, NumpadKeysAndNumLock) {
  define("NumLock");
  build();
  // Shift turns Numpad1 into End while Num Lock is on: the physical
  // numpad key is still held as far as the hook can tell.
  actions.num_lock = true;
  key(0x23, false, 0, 0x4F);
  EXPECT_TRUE(hook.physically_down(0x61));
  EXPECT_FALSE(hook.physically_down(0x62));
  key(0x23, true, 0, 0x4F);
  EXPECT_FALSE(hook.physically_down(0x61));
  // The extended End key is no numpad key.
  key(0x23, false, 0, 0x14F);
  EXPECT_FALSE(hook.physically_down(0x61));
  key(0x23, true, 0, 0x14F);
  // With Num Lock off the navigation key is just that.
  actions.num_lock = false;
  key(0x23, false, 0, 0x4F);
  EXPECT_FALSE(hook.physically_down(0x61));
  key(0x23, true, 0, 0x4F);
  // A Num Lock hotkey keeps its press from the system, and the hook puts
  // Num Lock back with a press of its own that no hotkey sees.
  actions.log.clear();
  EXPECT_EQ(key(vk::NumLock, false, 0, 0x145), "block");
  EXPECT_EQ(actions.log, (std::vector<std::string>{"fire NumLock", "send 90 down own", "send 90 up own"}));
}

TEST_F(HookFixture, KeyHistoryRows) {
  define("^F1");
  build();
  hook.set_history_size(3);
  auto event = [&](uint8_t vk, uint16_t sc, bool up, uintptr_t tag, uint32_t time, uintptr_t window) {
    KeyEvent e;
    e.vk = vk;
    e.sc = sc;
    e.key_up = up;
    e.injected = tag != 0;
    e.extra = tag;
    e.time_ms = time;
    e.window = window;
    hook.process(e, actions);
  };
  event('Q', 0x10, false, 0, 1000, 7);  // pushed out: the ring keeps three
  event(vk::LControl, 0x1D, false, 0, 1000, 7);
  event(0x70, 0x3B, false, 0, 1250, 7);
  event(vk::Packet, 0x20AC, false, 0x1234, 1500, 9);
  HookStateView view;
  view.logical_modifiers = hook.logical_modifiers();
  view.keyboard_hook = true;
  view.history = hook.history();
  std::string report = utf16_to_utf8(key_history_report(view, [](uintptr_t w) { return u"win" + to_string(int64_t(w)); }));
  EXPECT_EQ(report.substr(0, report.find("\r\n")), "Modifiers (Hook's Logical) = LCtrl");
  EXPECT_EQ(report.find("NOTE: Only"), std::string::npos);
  std::string rows = report.substr(report.rfind(std::string(109, '-')) + 109);
  EXPECT_EQ(rows,
            "\r\nA2  01D\t \td\t0.00\tLControl       \twin7"
            "\r\n70  03B\th\td\t0.25\tF1             \t"
            "\r\nE7 20AC\tU\td\t0.25\t\xE2\x82\xAC              \twin9");

  // A time stamp a little behind the one before: no time passed (never
  // the wrapped-around four million seconds), and the next counts from
  // the latest.
  event(vk::LControl, 0x1D, true, 0, 1490, 9);
  event('Q', 0x10, false, 0, 1600, 9);
  std::vector<HistoryEntry> h = hook.history();
  EXPECT_EQ(h[1].elapsed, 0.0);
  EXPECT_DOUBLE_EQ(h[2].elapsed, 0.1);
}

TEST(HookTables, ModifierStates) {
  struct Case {
    uint8_t state;
    uint32_t neutral;
    uint8_t sided;
    bool wildcard;
    bool match;
  };
  const Case cases[] = {
      {ModLCtrl, ModControl, 0, false, true},
      {ModLCtrl | ModRCtrl, ModControl, 0, false, true},
      {ModLCtrl | ModLShift, ModControl, 0, false, false},
      {ModLCtrl | ModLShift, ModControl, 0, true, true},
      {ModRCtrl, 0, ModLCtrl, false, false},
      {ModLCtrl | ModRCtrl, 0, ModLCtrl, false, false},
      {ModLCtrl | ModRCtrl, 0, ModLCtrl, true, true},
      {0, 0, 0, false, true},
      {ModLWin, 0, 0, false, false},
      {ModLWin, 0, 0, true, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(modifiers_match(c.state, c.neutral, c.sided, c.wildcard), c.match)
        << int(c.state) << " " << c.neutral << " " << int(c.sided) << " " << c.wildcard;
}

}  // namespace
}  // namespace orv
