#include "input/send_text.h"

#include <algorithm>

#include "input/hotkey_text.h"
#include "input/key_codes.h"
#include "input/keyboard_layout.h"
#include "runtime/numbers.h"

namespace orv {

namespace {

bool all_digits(StringView s, int base) {
  if (s.empty()) return false;
  for (char16_t c : s) {
    int d = hex_digit_value(c);
    if (d < 0 || d >= base) return false;
  }
  return true;
}

// Digits checked by all_digits; large values stop growing rather than wrap.
uint64_t number(StringView s, int base) {
  uint64_t v = 0;
  for (char16_t c : s)
    if (v < (uint64_t(1) << 40)) v = v * uint64_t(base) + uint64_t(hex_digit_value(c));
  return v;
}

// The code point at `i`, a surrogate pair taken whole; `i` moves past it.
char32_t next_code_point(StringView text, size_t& i) {
  char16_t c = text[i++];
  if (is_high_surrogate(c) && i < text.size() && is_low_surrogate(text[i]))
    return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (text[i++] - 0xDC00);
  return c;
}

bool single_code_point(StringView s, char32_t& ch) {
  if (s.empty()) return false;
  size_t i = 0;
  ch = next_code_point(s, i);
  return i == s.size();
}

uint8_t modifier_of(char16_t c) {
  switch (c) {
    case u'^': return ModLCtrl;
    case u'+': return ModLShift;
    case u'!': return ModLAlt;
    case u'#': return ModLWin;
    default: return 0;
  }
}

// One brace item's text (between the braces): false when it names nothing
// that can be sent. `raw_rest` is set for {Raw}.
bool brace_item(StringView inside, SendItem& item, bool& raw_rest) {
  size_t blank = inside.find_first_of(u" \t");
  StringView name = inside.substr(0, blank);
  StringView rest = blank == StringView::npos ? StringView() : trim(inside.substr(blank));
  if (equals_ignore_case(name, u"Raw") && rest.empty()) {
    raw_rest = true;
    return false;
  }
  if (equals_ignore_case(name, u"Click")) {
    item.kind = SendItemKind::Click;
    item.click.assign(rest);
    return true;
  }
  if (equals_ignore_case(name, u"ASC")) {
    if (!all_digits(rest, 10)) return false;
    item.kind = SendItemKind::AltNumpad;
    item.ch = char32_t(number(rest, 10) & 0xFFFF);
    item.leading_zero = rest.size() > 1 && rest[0] == u'0';
    return true;
  }
  if (!rest.empty()) {
    if (equals_ignore_case(rest, u"Down")) item.action = SendAction::Down;
    else if (equals_ignore_case(rest, u"DownTemp")) item.action = SendAction::DownTemp;
    else if (equals_ignore_case(rest, u"Up")) item.action = SendAction::Up;
    else if (all_digits(rest, 10)) item.count = uint32_t(std::min<uint64_t>(number(rest, 10), UINT32_MAX));
    else return false;
  }
  if (name.size() > 2 && (name[0] == u'U' || name[0] == u'u') && name[1] == u'+' && all_digits(name.substr(2), 16)) {
    uint64_t cp = number(name.substr(2), 16);
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    item.kind = SendItemKind::Unicode;
    item.ch = char32_t(cp);
    return true;
  }
  char32_t ch;
  if (single_code_point(name, ch)) {
    item.kind = SendItemKind::Char;
    item.ch = ch;
    return true;
  }
  uint8_t vk = 0;
  uint16_t sc = 0;
  if (!key_from_name(name, system_layout(), vk, sc) || (!vk && !sc)) return false;
  item.kind = SendItemKind::Key;
  item.vk = vk;
  item.sc = sc;
  return true;
}

// Where the brace item starting at `open` ends: the first "}" after it,
// except that "{}}" names the closing brace itself. npos: no end.
size_t brace_end(StringView text, size_t open) {
  if (open + 2 < text.size() && text[open + 1] == u'}' && text[open + 2] == u'}') return open + 2;
  return text.find(u'}', open + 1);
}

}  // namespace

SendText parse_send_text(StringView text, bool raw) {
  SendText out;
  size_t i = 0;
  if (!raw && starts_with_ignore_case(text, u"{Blind}")) {
    out.blind = true;
    i = 7;
  }
  uint8_t pending = 0;  // one-shot modifiers for the next item
  auto add = [&](SendItem item) {
    item.modifiers = pending;
    pending = 0;
    out.items.push_back(std::move(item));
  };
  auto add_char = [&](char32_t ch) {
    SendItem item;
    item.kind = SendItemKind::Char;
    item.ch = ch;
    add(std::move(item));
  };
  while (i < text.size()) {
    if (raw) {
      add_char(next_code_point(text, i));
      continue;
    }
    char16_t c = text[i];
    if (uint8_t m = modifier_of(c)) {
      pending |= m;
      ++i;
      continue;
    }
    if (c == u'{') {
      size_t close = brace_end(text, i);
      if (close == StringView::npos) {
        // An unclosed brace is the character itself.
        add_char(u'{');
        ++i;
        continue;
      }
      SendItem item;
      bool raw_rest = false;
      if (brace_item(text.substr(i + 1, close - i - 1), item, raw_rest)) add(std::move(item));
      i = close + 1;
      if (raw_rest) raw = true;
      continue;
    }
    add_char(next_code_point(text, i));
  }
  return out;
}

bool send_text_types_l(StringView text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'{') {
      size_t close = brace_end(text, i);
      if (close == StringView::npos) return false;
      i = close;
      continue;
    }
    if (text[i] == u'l' || text[i] == u'L') return true;
  }
  return false;
}

}  // namespace orv
