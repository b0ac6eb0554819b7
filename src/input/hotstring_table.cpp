#include "input/hotstring_table.h"

namespace orv {

namespace {

// A number right after an option letter ("K-1", "P10"); none reads as 0.
int32_t option_number(StringView text, size_t& i) {
  int64_t n = read_option_number(text, i);
  return n > INT32_MAX ? INT32_MAX : n < INT32_MIN ? INT32_MIN : int32_t(n);
}

bool has_case(char16_t c) { return fold_case(c) != c || upper_case(c) != c; }

}  // namespace

void apply_hotstring_options(StringView text, HotstringOptions& o) {
  for (size_t i = 0; i < text.size();) {
    char16_t c = upper_case(text[i++]);
    // "0" right after a letter turns that option off.
    bool off = i < text.size() && text[i] == u'0';
    switch (c) {
      case u'*': o.needs_end_char = off; break;
      case u'?': o.inside_word = !off; break;
      case u'B': o.backspace = !off; break;
      case u'O': o.drop_end_char = !off; break;
      case u'R': o.raw = !off; break;
      case u'Z': o.reset_after_fire = !off; break;
      case u'C':
        o.case_sensitive = false;
        o.adapt_case = true;
        if (i < text.size() && text[i] == u'1') o.adapt_case = false;
        else if (!off) o.case_sensitive = true, o.adapt_case = false;
        if (i < text.size() && (text[i] == u'0' || text[i] == u'1')) ++i;
        continue;
      case u'K': o.key_delay = option_number(text, i); continue;
      case u'P': o.priority = option_number(text, i); continue;
      case u'S':
        if (i < text.size()) {
          char16_t m = upper_case(text[i]);
          if (m == u'I') o.send_mode = HotstringSendMode::InputThenPlay, ++i;
          else if (m == u'P') o.send_mode = HotstringSendMode::Play, ++i;
          else if (m == u'E') o.send_mode = HotstringSendMode::Event, ++i;
        }
        continue;
      default: continue;  // blanks and letters that mean nothing here
    }
    if (off) ++i;
  }
}

HotstringError HotstringTable::define(HotstringEntry entry) {
  if (entry.abbreviation.size() > kMaxAbbreviationLength) return HotstringError::TooLong;
  // A replacement left empty has no letters to conform.
  if (entry.replacement.empty()) entry.options.adapt_case = false;
  if (entries_.size() == entries_.capacity()) entries_.reserve(entries_.size() + kGrowth);
  char16_t last = fold_case(entry.abbreviation.back());
  const String& a = entry.abbreviation;
  char16_t before_last = a.size() > 1 ? fold_case(a[a.size() - 2]) : 0;
  by_last_char_[entry.options.needs_end_char][last].push_back({uint32_t(entries_.size()), before_last});
  entries_.push_back(std::move(entry));
  return HotstringError::None;
}

const std::vector<HotstringCandidate>* HotstringTable::ending_in(char16_t c, bool needs_end_char) const {
  const auto& map = by_last_char_[needs_end_char];
  auto it = map.find(fold_case(c));
  return it == map.end() ? nullptr : &it->second;
}

bool is_word_char(char16_t c) { return (c >= u'0' && c <= u'9') || has_case(c) || (c >= 0xC0 && c != 0xD7 && c != 0xF7 && c < 0x2000); }

uint8_t case_mode_of(StringView typed) {
  size_t upper = 0, lower = 0;
  bool first_upper = false, seen_letter = false;
  for (char16_t c : typed) {
    if (!has_case(c)) continue;
    bool is_upper = fold_case(c) != c;
    if (!seen_letter) first_upper = is_upper;
    seen_letter = true;
    (is_upper ? upper : lower) += 1;
  }
  if (upper > 1 && lower == 0) return 1;
  if (first_upper && upper == 1) return 2;
  return 0;
}

String replacement_keys(const HotstringEntry& h, char16_t end_char, uint8_t case_mode) {
  const HotstringOptions& o = h.options;
  String keys;
  size_t erase = h.abbreviation.size() - 1 + (o.needs_end_char ? 1 : 0);
  if (o.backspace && erase > 0) keys += u"{BS " + to_string(int64_t(erase)) + u"}";
  // Raw text goes behind "{Raw}" so that the erasing above is still a key.
  if (o.raw) keys += u"{Raw}";
  String text = h.replacement;
  if (o.adapt_case && case_mode == 1) {
    for (char16_t& c : text) c = upper_case(c);
  } else if (o.adapt_case && case_mode == 2 && !text.empty()) {
    text[0] = upper_case(text[0]);
  }
  keys += text;
  if (!o.drop_end_char && o.needs_end_char && end_char) {
    if (!o.raw) keys += u"{Raw}";
    keys += end_char;
  }
  return keys;
}

}  // namespace orv
