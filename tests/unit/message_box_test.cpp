// The rules every message box keeps: how many may be open at once, titles,
// lengths and time-outs. A stand-in display records what would have been
// shown; boxes that open while another is open (a pseudo-thread showing one
// under another's box) are made by the stand-in calling back in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/message_box.h"
#include "runtime/process_state.h"

namespace orv {
namespace {

String u16(std::string_view s) { return utf8_to_utf16(s); }
std::string u8(StringView s) { return utf16_to_utf8(s); }

struct Shown {
  std::string text, title;
  uint32_t style = 0, timeout_ms = 0;
  int open = 0;  // boxes open while this one was up
};

std::vector<Shown> g_shown;
int g_reply = platform::IdOk;

int record(StringView text, StringView title, uint32_t style, uint32_t timeout_ms, platform::WindowHandle) {
  g_shown.push_back({u8(text), u8(title), style, timeout_ms, open_message_boxes()});
  return g_reply;
}

class MessageBoxTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_process;
    g_process.script_name = u"script.exe";
    g_shown.clear();
    g_reply = platform::IdOk;
  }
  void TearDown() override { g_process = saved_; }

  static MessageBoxAnswer show(StringView text, StringView title = u"T", double timeout = 0) {
    MessageBoxRequest r;
    r.text = text;
    r.title = title;
    r.timeout_seconds = timeout;
    return show_message_box(r, record);
  }

 private:
  ProcessState saved_;
};

// Every box that goes up asks for one more while it is open, up to
// kRequests in all; answers[i] is what request i got.
constexpr int kRequests = 10;
std::vector<MessageBoxAnswer> g_answers;
std::vector<String> g_texts;  // "box N", also the box's title

int record_and_open_another(StringView text, StringView title, uint32_t style, uint32_t timeout_ms,
                            platform::WindowHandle owner) {
  record(text, title, style, timeout_ms, owner);
  if (g_texts.size() < size_t(kRequests)) {
    size_t index = g_texts.size();
    g_texts.push_back(u"box " + u16(std::to_string(index + 1)));
    MessageBoxRequest r;
    r.text = r.title = g_texts.back();
    MessageBoxAnswer a = show_message_box(r, record_and_open_another);
    g_answers[index] = a;
  }
  return platform::IdYes;
}

TEST_F(MessageBoxTest, TheEighthBoxShowsTheLimitNoticeAndNoneOpensWhileItIsUp) {
  g_texts.clear();
  g_answers.assign(kRequests, MessageBoxAnswer{-99, true});
  // The first request opens the chain; the stand-in opens the rest.
  g_texts.push_back(u"box 1");
  MessageBoxRequest first;
  first.text = first.title = g_texts[0];
  g_answers[0] = show_message_box(first, record_and_open_another);

  std::vector<std::string> want_texts;
  for (int i = 1; i <= kMaxOpenMessageBoxes; ++i) want_texts.push_back("box " + std::to_string(i));
  want_texts.push_back("The maximum number of MsgBoxes has been reached.");
  std::vector<std::string> texts;
  for (const Shown& s : g_shown) texts.push_back(s.text);
  EXPECT_EQ(texts, want_texts);
  // The notice is the program's, not the eighth box's, and counts as open
  // while it is up.
  EXPECT_EQ(g_shown.back().title, "script.exe");
  EXPECT_EQ(g_shown.back().open, kMaxOpenMessageBoxes + 1);

  for (int i = 0; i < kMaxOpenMessageBoxes; ++i) {
    EXPECT_EQ(g_answers[i].code, platform::IdYes) << "request " << i + 1;
    EXPECT_FALSE(g_answers[i].refused) << "request " << i + 1;
  }
  // The request that met the limit, and the one made while the notice was
  // up, got no answer; neither counts as a refused style.
  for (int i = kMaxOpenMessageBoxes; i < kMaxOpenMessageBoxes + 2; ++i) {
    EXPECT_EQ(g_answers[i].code, 0) << "request " << i + 1;
    EXPECT_FALSE(g_answers[i].refused) << "request " << i + 1;
  }

  // All have closed: the next box is shown as usual.
  EXPECT_EQ(open_message_boxes(), 0);
  g_shown.clear();
  EXPECT_EQ(show(u"after").code, platform::IdOk);
  ASSERT_EQ(g_shown.size(), 1u);
  EXPECT_EQ(g_shown[0].text, "after");
}

TEST_F(MessageBoxTest, TitlesFallBackAndLongTextsAreCutWithoutSplittingAPair) {
  std::string text8191(8191, 'x'), title1023(1023, 't');
  const char* pair = "\xF0\x9F\x98\x80";  // one character, two UTF-16 units
  struct Case {
    std::string text, title, script_name;
    std::string want_text, want_title;
  } cases[] = {
      {"a", "", "script.exe", "a", "script.exe"},
      {"a", "", "", "a", "Orvanta v1.1.24.04"},
      {text8191 + "y", title1023 + "u", "s", text8191, title1023},
      // A pair that would straddle the limit is dropped whole.
      {text8191.substr(1) + pair, title1023.substr(1) + pair, "s", text8191.substr(1), title1023.substr(1)},
      {text8191.substr(2) + pair, title1023.substr(2) + pair, "s", text8191.substr(2) + pair,
       title1023.substr(2) + pair},
  };
  for (const Case& c : cases) {
    g_shown.clear();
    g_process.script_name = u16(c.script_name);
    String text = u16(c.text), title = u16(c.title);
    show(text, title);
    ASSERT_EQ(g_shown.size(), 1u);
    EXPECT_EQ(g_shown[0].text, c.want_text) << "text of " << c.text.size() << " bytes";
    EXPECT_EQ(g_shown[0].title, c.want_title) << "title of " << c.title.size() << " bytes";
  }
}

TEST_F(MessageBoxTest, TimeOutsAreClampedAndTheirExpiryIsReportedAsTimeout) {
  struct Case {
    double seconds;
    uint32_t want_ms;
  } cases[] = {
      {0, 0},               // none
      {0.5, 500},           // fractions count
      {-3, 100},            // a negative time-out is a tenth of a second
      {1e9, 2147483000u},   // the longest the system takes
      {1e-6, 1},            // too short for milliseconds, but still a time-out
  };
  for (const Case& c : cases) {
    g_shown.clear();
    show(u"x", u"T", c.seconds);
    ASSERT_EQ(g_shown.size(), 1u);
    EXPECT_EQ(g_shown[0].timeout_ms, c.want_ms) << c.seconds << " s";
  }

  g_reply = platform::IdTimeout;
  MessageBoxAnswer timed_out = show(u"x", u"T", 1);
  EXPECT_EQ(timed_out.code, kMsgBoxTimeout);
  EXPECT_FALSE(timed_out.refused);

  g_reply = 0;
  MessageBoxAnswer refused = show(u"x", u"T", 1);
  EXPECT_EQ(refused.code, 0);
  EXPECT_TRUE(refused.refused);
}

}  // namespace
}  // namespace orv
