// What a send does, read from the headless host's recorder: the key events
// of each key-string form, the modifiers a send lets go of, holds and gives
// back, CapsLock, the tags, each delivery method and its fall-backs, the
// Click grammar and the mouse's moves and buttons.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "input/hook_events.h"
#include "input/key_codes.h"
#include "input/keyboard_layout.h"
#include "input/mouse_input.h"
#include "input/send_keys.h"
#include "platform/input_hook.h"
#include "platform/posix/recording_input.h"
#include "runtime/script_program.h"
#include "runtime/thread_settings.h"
#include "scripted_desktop.h"

namespace orv {
namespace {

using platform::InputEvent;
using platform::RecordingInput;

String u16(const char* s) { return utf8_to_utf16(s); }

std::string key_name(uint8_t v) {
  switch (v) {
    case vk::LShift: return "Shift";
    case vk::RShift: return "RShift";
    case vk::LControl: return "Ctrl";
    case vk::LAlt: return "Alt";
    case vk::RAlt: return "RAlt";
    case vk::LWin: return "Win";
    case vk::CapsLock: return "Caps";
    case vk::Enter: return "Enter";
    case vk::Tab: return "Tab";
  }
  if ((v >= '0' && v <= '9') || (v >= 'A' && v <= 'Z')) return std::string(1, char(v));
  if (v >= 0x60 && v <= 0x69) return "N" + std::to_string(v - 0x60);
  char buf[8];
  snprintf(buf, sizeof buf, "k%02X", v);
  return buf;
}

// One word per event: a key's name when it goes down, with ^ when it goes up.
std::string picture(const RecordingInput& r) {
  std::string out;
  char buf[48];
  for (const RecordingInput::Entry& entry : r.log) {
    const InputEvent& e = entry.event;
    if (!out.empty()) out += ' ';
    switch (e.kind) {
      case InputEvent::Kind::Key: out += key_name(e.vk) + (e.up ? "^" : ""); break;
      case InputEvent::Kind::Unicode:
        snprintf(buf, sizeof buf, "U+%04X%s", e.sc, e.up ? "^" : "");
        out += buf;
        break;
      case InputEvent::Kind::Delay: out += "wait" + std::to_string(e.data); break;
      case InputEvent::Kind::Mouse:
        if (e.mouse == (platform::MouseMove | platform::MouseAbsolute) || e.mouse == platform::MouseMove)
          snprintf(buf, sizeof buf, "move(%d,%d)", e.x, e.y);
        else if (e.mouse & (platform::MouseWheel | platform::MouseHWheel))
          snprintf(buf, sizeof buf, "%s(%d)", (e.mouse & platform::MouseWheel) ? "wheel" : "hwheel", e.data);
        else
          snprintf(buf, sizeof buf, "%s%s", (e.mouse & (platform::MouseLeftDown | platform::MouseLeftUp)) ? "L"
                                            : (e.mouse & (platform::MouseRightDown | platform::MouseRightUp)) ? "R"
                                                                                                                : "M",
                   (e.mouse & (platform::MouseLeftDown | platform::MouseRightDown | platform::MouseMiddleDown)) ? "down"
                                                                                                                  : "up");
        out += buf;
        break;
    }
  }
  return out;
}

class SendKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = *g_thread;
    // No waits: the events alone are what is checked.
    g_thread->key_delay = g_thread->key_duration = -1;
    g_thread->mouse_delay = -1;
    g_thread->send_held_modifiers = 0;
    rec().reset();
  }
  void TearDown() override {
    *g_thread = saved_;
    rec().reset();
  }
  static RecordingInput& rec() { return platform::recording_input(); }
  std::string send(const char* text, SendMode mode = SendMode::Event, bool raw = false) {
    rec().log.clear();
    EXPECT_EQ(send_key_string(u16(text), raw, mode), ResultDone) << text;
    return picture(rec());
  }

 private:
  ThreadSettings saved_;
};

TEST_F(SendKeys, EachFormOfKeyString) {
  struct Case {
    const char* text;
    bool raw;
    const char* events;
  } cases[] = {
      {"ab", false, "A A^ B B^"},
      {"Ab", false, "Shift A A^ Shift^ B B^"},
      {"{a 3}", false, "A A^ A A^ A A^"},
      {"{Enter 2}", false, "Enter Enter^ Enter Enter^"},
      {"{Shift down}ab{Shift up}", false, "Shift A A^ B B^ Shift^"},
      {"^a!b", false, "Ctrl A A^ Ctrl^ Alt B B^ Alt^"},
      {"{Raw}^a", false, "Shift 6 6^ Shift^ A A^"},
      {"^a", true, "Shift 6 6^ Shift^ A A^"},
      {"{{}{}}", false, "Shift kDB kDB^ kDD kDD^ Shift^"},
      {"a\r\nb\tc", false, "A A^ Enter Enter^ B B^ Tab Tab^ C C^"},
      // Not on the layout: a Unicode packet; beyond U+FFFF, two.
      {"\xE2\x82\xAC", false, "U+20AC U+20AC^"},
      {"{U+20AC}", false, "U+20AC U+20AC^"},
      {"{U+1F600}", false, "U+D83D U+D83D^ U+DE00 U+DE00^"},
      {"{ASC 65}", false, "Alt N6 N6^ N5 N5^ Alt^"},
      {"{ASC 0233}", false, "Alt N0 N0^ N2 N2^ N3 N3^ N3 N3^ Alt^"},
      {"{LButton}{RButton down}", false, "Ldown Lup Rdown"},
      {"{WheelDown 2}{WheelRight}", false, "wheel(-240) hwheel(120)"},
      {"{Click 10 20}+{Click}", false, "move(10,20) Ldown Lup Shift Ldown Lup Shift^"},
      {"{Click 10 20 0}{Click 5 -5 0 Rel}", false, "move(10,20) move(15,15)"},
      {"{NoSuchKey}x", false, "X X^"},
  };
  for (const Case& c : cases) {
    rec().reset();
    EXPECT_EQ(send(c.text, SendMode::Event, c.raw), c.events) << c.text;
    // A batch builds on the moves it holds, not on where the pointer was.
    rec().reset();
    EXPECT_EQ(send(c.text, SendMode::Input, c.raw), c.events) << c.text;
  }
}

TEST_F(SendKeys, ModifiersTheUserHoldsAreLetGoAndGivenBack) {
  struct Case {
    uint8_t held;
    const char* text;
    const char* events;
  } cases[] = {
      {vk::LControl, "a", "Ctrl^ A A^ Ctrl"},
      {vk::LShift, "^a", "Shift^ Ctrl A A^ Ctrl^ Shift"},
      // Blind: what the user holds stays, only what the text adds goes.
      {vk::LShift, "{Blind}^a", "Ctrl A A^ Ctrl^"},
      // Alt let go of alone would open the menu bar: Control masks it.
      {vk::LAlt, "a", "Ctrl Ctrl^ Alt^ A A^ Alt"},
      // A modifier the text lets go of itself is not pressed again.
      {vk::LShift, "{Shift up}a", "Shift^ A A^"},
  };
  for (const Case& c : cases) {
    rec().reset();
    rec().held[c.held] = true;
    EXPECT_EQ(send(c.text), c.events) << c.text;
  }
}

TEST_F(SendKeys, TheMenuMaskKeyIsTheDirectives) {
  ScriptProgram program;
  program.directives.menu_mask_key = u"vkE8";
  g_script = &program;
  rec().held[vk::LWin] = true;
  EXPECT_EQ(send("a"), "kE8 kE8^ Win^ A A^ Win");
  g_script = nullptr;
}

TEST_F(SendKeys, ModifiersHeldBySendStayForTheThreadsNextSends) {
  EXPECT_EQ(send("{Shift down}"), "Shift");
  EXPECT_EQ(send("ab"), "A A^ B B^");  // still held: typed as capitals
  EXPECT_EQ(send("{Shift up}"), "Shift^");
  EXPECT_EQ(send("ab"), "A A^ B B^");
  EXPECT_EQ(g_thread->send_held_modifiers, 0);
  // DownTemp holds the key past the send without remembering it: the next
  // send lets it go for its keys and gives it back.
  EXPECT_EQ(send("{Ctrl DownTemp}"), "Ctrl");
  EXPECT_EQ(send("a"), "Ctrl^ A A^ Ctrl");
}

TEST_F(SendKeys, CapsLockIsOffDuringTheSendUnlessBlindOrTurnedOff) {
  rec().toggled[vk::CapsLock] = true;
  EXPECT_EQ(send("a"), "Caps Caps^ A A^ Caps Caps^");
  EXPECT_TRUE(rec().toggled[vk::CapsLock]);
  EXPECT_EQ(send("{Blind}a"), "A A^");
  g_thread->store_capslock_mode = false;
  EXPECT_EQ(send("a"), "A A^");
}

TEST_F(SendKeys, EveryEventCarriesTheSendLevelsTag) {
  g_thread->send_level = 5;
  send("a{U+20AC}{Click}", SendMode::Input);
  ASSERT_FALSE(rec().log.empty());
  for (const auto& e : rec().log) EXPECT_EQ(e.event.extra, event_tag::kLevel0 - 5);
  SendOverrides o;
  o.send_level = 2;
  rec().log.clear();
  EXPECT_EQ(send_key_string(u"a", false, SendMode::Event, 0, o), ResultDone);
  for (const auto& e : rec().log) EXPECT_EQ(e.event.extra, event_tag::kLevel0 - 2);
}

TEST_F(SendKeys, DeliveryByModeAndItsFallBacks) {
  auto vias = [&] {
    std::string s;
    for (const auto& e : rec().log) s += "SBP"[int(e.via)];
    return s;
  };
  g_thread->key_delay = 10;
  g_thread->key_delay_play = 7;
  EXPECT_EQ(send("ab", SendMode::Input), "A A^ B B^");
  EXPECT_EQ(vias(), "BBBB");
  // Waits are records of playback's batch; Unicode packets, which playback
  // cannot carry, go by SendInput at their turn, and playback goes on.
  EXPECT_EQ(send("a\xE2\x82\xAC{U+00E9}b", SendMode::Play),
            "A A^ wait7 U+20AC U+20AC^ wait7 U+00E9 U+00E9^ wait7 B B^ wait7");
  EXPECT_EQ(vias(), "PPBBBBBBBPPP");
  // Playback that stalls: the rest goes by SendInput, in order.
  g_thread->key_delay_play = -1;
  rec().play_limit = 2;
  EXPECT_EQ(send("abc", SendMode::Play), "A A^ B B^ C C^");
  EXPECT_EQ(vias(), "PPBBBB");
  rec().play_limit = SIZE_MAX;
  // Another program's keyboard hook: Input goes one event at a time with
  // no delay, InputThenPlay by playback.
  rec().other_hooks = platform::KeyboardHookBit;
  EXPECT_EQ(send("ab", SendMode::Input), "A A^ B B^");
  EXPECT_EQ(vias(), "SSSS");
  EXPECT_EQ(send("ab", SendMode::InputThenPlay), "A A^ B B^");
  EXPECT_EQ(vias(), "PPPP");
  // A mouse hook elsewhere matters only to a text that clicks.
  rec().other_hooks = platform::MouseHookBit;
  send("a", SendMode::Input);
  EXPECT_EQ(vias(), "BB");
  send("{Click}", SendMode::Input);
  EXPECT_EQ(vias(), "SS");
}

TEST_F(SendKeys, ABatchTooLargeIsOutOfMemoryAndSendsNothing) {
  rec().log.clear();
  EXPECT_EQ(send_key_string(u"{a 100000000}", false, SendMode::Input), ResultFailed);
  EXPECT_TRUE(rec().log.empty());
}

// A German-style layout: y and z trade places, umlauts on keys of their
// own, the euro sign and @ behind AltGr.
class GermanLayout : public KeyboardLayout {
 public:
  GermanLayout() {
    for (char16_t c = u'a'; c <= u'z'; ++c) chars_[c] = {uint8_t(c - 32), 0};
    for (char16_t c = u'A'; c <= u'Z'; ++c) chars_[c] = {uint8_t(c), 1};
    chars_[u'y'] = {0x5A, 0};
    chars_[u'z'] = {0x59, 0};
    chars_[u'\u00FC'] = {0xBA, 0};  // u with diaeresis
    chars_[u'\u00DC'] = {0xBA, 1};
    chars_[u'\u20AC'] = {0x45, 6};  // the euro sign: AltGr+E
    chars_[u'@'] = {0x51, 6};
  }
  bool key_for_char(char16_t c, uint8_t& vk, uint8_t& shift_state) const override {
    auto it = chars_.find(c);
    if (it == chars_.end()) return false;
    vk = it->second.first;
    shift_state = it->second.second;
    return true;
  }
  uint16_t sc_of_vk(uint8_t) const override { return 0; }
  uint8_t vk_of_sc(uint16_t) const override { return 0; }

 private:
  std::map<char16_t, std::pair<uint8_t, uint8_t>> chars_;
};

TEST_F(SendKeys, CharactersGoByTheLayoutOfTheWindow) {
  GermanLayout german;
  SendOverrides o;
  o.layout = &german;
  struct Case {
    const char* text;
    SendMode mode;
    const char* events;
  } cases[] = {
      {"yz", SendMode::Event, "Z Z^ Y Y^"},
      {"\xC3\xBC\xC3\x9C", SendMode::Event, "kBA kBA^ Shift kBA kBA^ Shift^"},
      // AltGr is Control with the right Alt; playback types it the same way.
      {"\xE2\x82\xAC@", SendMode::Event, "Ctrl RAlt E E^ Q Q^ Ctrl^ RAlt^"},
      {"\xE2\x82\xAC", SendMode::Play, "Ctrl RAlt E E^ Ctrl^ RAlt^"},
      // Not on this layout: a packet, in playback too.
      {"\xC3\xA9", SendMode::Input, "U+00E9 U+00E9^"},
      {"\xC3\xA9", SendMode::Play, "U+00E9 U+00E9^"},
  };
  for (const Case& c : cases) {
    rec().log.clear();
    EXPECT_EQ(send_key_string(u16(c.text), false, c.mode, 0, o), ResultDone);
    EXPECT_EQ(picture(rec()), c.events) << c.text;
  }
}

// ControlSend: characters as WM_CHAR, named keys and modifiers as key
// messages with their scan codes, nothing of the system's own input.
TEST_F(SendKeys, ToATargetAsPostedMessages) {
  ScriptedDesktop d;
  constexpr WindowHandle kEdit = 0x20;
  d.windows[kEdit].class_name = u"Edit";
  SendOverrides o;
  o.desktop = &d;
  rec().held[vk::LShift] = true;  // the user's keys are not the control's business
  rec().toggled[vk::CapsLock] = true;
  g_thread->send_held_modifiers = ModLShift;
  EXPECT_EQ(send_key_string(u16("aB{Left}{U+1F600}^c\xE2\x82\xAC"), false, SendMode::Event, kEdit, o), ResultDone);
  EXPECT_TRUE(rec().log.empty());
  std::string got;
  char buf[48];
  for (const auto& m : d.sent) {
    snprintf(buf, sizeof buf, "%s%X/%X ", m.msg == 0x102 ? "c" : m.msg == 0x100 ? "d" : "u", unsigned(m.wparam),
             unsigned(uintptr_t(m.lparam) >> 16));
    got += buf;
  }
  EXPECT_EQ(got, "c61/0 c42/0 d25/14B u25/C14B cD83D/0 cDE00/0 dA2/1D d43/2E u43/C02E uA2/C01D c20AC/0 ");
  EXPECT_EQ(g_thread->send_held_modifiers, ModLShift);
}

TEST(ClickText, Grammar) {
  struct Case {
    const char* text;
    bool ok;
    int32_t x, y;
    uint32_t count;
    uint8_t button;
    ButtonAction action;
    bool relative;
  } cases[] = {
      {"", true, kCurrentPos, kCurrentPos, 1, vk::LButton, ButtonAction::Click, false},
      {"10 20", true, 10, 20, 1, vk::LButton, ButtonAction::Click, false},
      {"2", true, kCurrentPos, kCurrentPos, 2, vk::LButton, ButtonAction::Click, false},
      {"right 10, 20 3", true, 10, 20, 3, vk::RButton, ButtonAction::Click, false},
      {"0x10 -5.7 Down", true, 16, -5, 1, vk::LButton, ButtonAction::Down, false},
      {"u M", true, kCurrentPos, kCurrentPos, 1, vk::MButton, ButtonAction::Up, false},
      {"5 5 Rel", true, 5, 5, 1, vk::LButton, ButtonAction::Click, true},
      {"WheelUp 4", true, kCurrentPos, kCurrentPos, 4, vk::WheelUp, ButtonAction::Click, false},
      {"X2 0", true, kCurrentPos, kCurrentPos, 0, vk::XButton2, ButtonAction::Click, false},
      {"bogus", false, 0, 0, 0, 0, ButtonAction::Click, false},
  };
  for (const Case& c : cases) {
    MouseOp op;
    ASSERT_EQ(parse_click_text(u16(c.text), op), c.ok) << c.text;
    if (!c.ok) continue;
    EXPECT_EQ(op.x, c.x) << c.text;
    EXPECT_EQ(op.y, c.y) << c.text;
    EXPECT_EQ(op.count, c.count) << c.text;
    EXPECT_EQ(op.button, c.button) << c.text;
    EXPECT_EQ(op.action, c.action) << c.text;
    EXPECT_EQ(op.relative, c.relative) << c.text;
  }
}

TEST(MouseInput, SwappedButtonsMovesInStepsAndRelativeMoves) {
  RecordingInput& r = platform::recording_input();
  r.reset();
  SendOutput out(r, Delivery::Single, event_tag::kLevel0);
  MouseOp op;
  r.swapped = true;
  mouse_click(out, op);
  EXPECT_EQ(picture(r), "Rdown Rup");  // the logical left is the right button
  r.reset();
  op.x = 100;
  op.y = 0;
  op.speed = 10;
  mouse_move(out, op);
  ASSERT_GT(r.log.size(), 2u);
  EXPECT_EQ(r.x, 100);
  int32_t last = 0;
  for (const auto& e : r.log) {
    EXPECT_GE(e.event.x, last);  // never back
    last = e.event.x;
  }
  r.reset();
  op.speed = 0;
  op.relative = true;
  op.x = 5;
  op.y = kCurrentPos;
  r.x = 10;
  r.y = 20;
  mouse_move(out, op);
  EXPECT_EQ(picture(r), "move(15,20)");
  r.reset();
}

}  // namespace
}  // namespace orv
