#include "library/letter_case.h"

namespace orv {

namespace {

// Letters without a case mapping of their own (sharp s, the letters of
// scripts the case tables do not cover) still belong to the word they are
// in; outside ASCII only the common punctuation and symbol blocks separate
// words.
bool is_word_char(char16_t c) {
  if (c < 0x80) return (c >= u'0' && c <= u'9') || ((c | 0x20) >= u'a' && (c | 0x20) <= u'z');
  if (c < 0xC0 || c == 0xD7 || c == 0xF7) return false;
  if ((c >= 0x2000 && c <= 0x2BFF) || (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFF0F)) return false;
  return true;
}

}  // namespace

void make_upper(String& text) {
  for (char16_t& c : text) c = upper_case(c);
}

void make_lower(String& text) {
  for (char16_t& c : text) c = fold_case(c);
}

void make_title(String& text) {
  bool word_start = true;
  for (char16_t& c : text) {
    bool in_word = is_word_char(c);
    if (in_word) c = word_start ? upper_case(c) : fold_case(c);
    word_start = !in_word;
  }
}

}  // namespace orv
