// Key strings read into what to type: modifier symbols for the next item
// only, brace items with counts and Down/DownTemp/Up, the brace characters
// themselves, Raw and Blind, ASC and U+ forms, Click items, names that are
// no keys, and surrogate pairs as one character.
#include <gtest/gtest.h>

#include <string>

#include "input/key_codes.h"
#include "input/send_text.h"

namespace orv {
namespace {

String u16(const char* s) { return utf8_to_utf16(s); }

// A compact picture of the items: one word each.
std::string picture(const SendText& t) {
  std::string out = t.blind ? "blind:" : "";
  for (const SendItem& i : t.items) {
    if (!out.empty() && out.back() != ':') out += ' ';
    if (i.modifiers & ModLCtrl) out += '^';
    if (i.modifiers & ModLShift) out += '+';
    if (i.modifiers & ModLAlt) out += '!';
    if (i.modifiers & ModLWin) out += '#';
    char buf[64];
    switch (i.kind) {
      case SendItemKind::Char:
        if (i.ch < 0x80) snprintf(buf, sizeof buf, "'%c'", char(i.ch));
        else snprintf(buf, sizeof buf, "c%X", unsigned(i.ch));
        break;
      case SendItemKind::Key: snprintf(buf, sizeof buf, "k%X/%X", i.vk, i.sc); break;
      case SendItemKind::Unicode: snprintf(buf, sizeof buf, "u%X", unsigned(i.ch)); break;
      case SendItemKind::AltNumpad: snprintf(buf, sizeof buf, "asc%u%s", unsigned(i.ch), i.leading_zero ? "z" : ""); break;
      case SendItemKind::Click: snprintf(buf, sizeof buf, "click[%s]", utf16_to_utf8(i.click).c_str()); break;
    }
    out += buf;
    if (i.count != 1) out += "x" + std::to_string(i.count);
    if (i.action == SendAction::Down) out += "v";
    if (i.action == SendAction::DownTemp) out += "t";
    if (i.action == SendAction::Up) out += "^";
  }
  return out;
}

TEST(SendText, Items) {
  struct Case {
    const char* text;
    bool raw;
    const char* items;
  } cases[] = {
      {"ab", false, "'a' 'b'"},
      {"^a+b", false, "^'a' +'b'"},
      {"^+!#x", false, "^+!#'x'"},
      {"{Enter 2}", false, "kD/0x2"},
      {"{a 3}", false, "'a'x3"},
      {"{Shift down}abc{Shift up}", false, "k10/0v 'a' 'b' 'c' k10/0^"},
      {"{LShift Down}", false, "kA0/0v"},
      {"{Ctrl DownTemp}", false, "k11/0t"},
      {"{}}{{}", false, "'}' '{'"},
      {"^{Tab}", false, "^k9/0"},
      {"{Raw}^a{b}", false, "'^' 'a' '{' 'b' '}'"},
      {"^a", true, "'^' 'a'"},
      {"{Blind}^a", false, "blind:^'a'"},
      {"{Blind}x", true, "'{' 'B' 'l' 'i' 'n' 'd' '}' 'x'"},
      {"{ASC 65}{ASC 0233}", false, "asc65 asc233z"},
      {"{U+20AC}{U+1F600}", false, "u20AC u1F600"},
      {"{U+D800}{U+110000}", false, ""},
      {"{Click 100 200}", false, "click[100 200]"},
      {"{NoSuchKey}x", false, "'x'"},
      {"{Enter nope}", false, ""},
      {"{Delete}", false, "k0/153"},
      {"{vk41sc01E 2}", false, "k41/1Ex2"},
      {"{LButton}", false, "k1/0"},
      {"{Enter 0}", false, "kD/0x0"},
      {"x{unclosed", false, "'x' '{' 'u' 'n' 'c' 'l' 'o' 's' 'e' 'd'"},
      {"\xF0\x9F\x98\x80", false, "c1F600"},
      {"^", false, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(picture(parse_send_text(u16(c.text), c.raw)), c.items) << c.text;
}

TEST(SendText, TypesL) {
  EXPECT_TRUE(send_text_types_l(u"hello"));
  EXPECT_TRUE(send_text_types_l(u"L"));
  EXPECT_FALSE(send_text_types_l(u"{Left}{Blind}x"));
  EXPECT_FALSE(send_text_types_l(u"abc"));
}

}  // namespace
}  // namespace orv
