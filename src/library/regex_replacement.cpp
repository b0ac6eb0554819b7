#include "library/regex_replacement.h"

#include <pcre2.h>

#include "library/letter_case.h"
#include "library/regex_cache.h"
#include "runtime/numbers.h"

namespace orv {

namespace {

// Longer braces are no reference: the dollar sign is literal text.
constexpr size_t kMaxBraced = 32;

bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }

// A signed decimal or 0x hexadecimal number with blanks around it; false
// when the text is anything else (then it is a name).
bool read_group_number(StringView text, int64_t& number) {
  text = trim(text);
  bool negative = false;
  if (!text.empty() && (text[0] == u'+' || text[0] == u'-')) {
    negative = text[0] == u'-';
    text = trim_left(text.substr(1));
  }
  if (text.empty()) return false;
  int base = 10;
  if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  int64_t value = 0;
  for (char16_t c : text) {
    int d = base == 16 ? hex_digit_value(c) : is_digit(c) ? c - u'0' : -1;
    if (d < 0) return false;
    // Past any group a pattern can have; the number stays a number.
    if (value < (int64_t(1) << 40)) value = value * base + d;
  }
  number = negative ? -value : value;
  return true;
}

void append_group(int group, char16_t letter_case, const MatchGroups& m, String& out) {
  if (group < 0 || uint32_t(group) >= m.pairs) return;
  size_t start = m.ovector[2 * group], end = m.ovector[2 * group + 1];
  if (start == PCRE2_UNSET || end < start || end > m.subject.size()) return;
  StringView text = m.subject.substr(start, end - start);
  if (!letter_case) {
    out.append(text);
    return;
  }
  String piece(text);
  if (letter_case == u'U') make_upper(piece);
  else if (letter_case == u'L') make_lower(piece);
  else make_title(piece);
  out.append(piece);
}

}  // namespace

int referenced_group(StringView inside, const MatchGroups& m) {
  int64_t number;
  if (read_group_number(inside, number)) return number >= 0 && number <= m.regex.group_count ? int(number) : -1;
  return m.regex.group_named(inside, false, m.ovector, m.pairs);
}

void expand_replacement(StringView r, const MatchGroups& m, String& out) {
  size_t i = 0;
  while (i < r.size()) {
    size_t dollar = r.find(u'$', i);
    if (dollar == StringView::npos) {
      out.append(r.substr(i));
      return;
    }
    out.append(r.substr(i, dollar - i));
    i = dollar + 1;
    if (i < r.size() && r[i] == u'$') {
      out.push_back(u'$');
      ++i;
      continue;
    }
    size_t at = i;
    char16_t letter_case = 0;
    if (at < r.size()) {
      char16_t c = upper_case(r[at]);
      if (c == u'U' || c == u'L' || c == u'T') {
        letter_case = c;
        ++at;
      }
    }
    if (at < r.size() && is_digit(r[at])) {
      append_group(r[at] - u'0', letter_case, m, out);
      i = at + 1;
      continue;
    }
    if (at < r.size() && r[at] == u'{') {
      size_t close = r.find(u'}', at + 1);
      size_t length = close == StringView::npos ? 0 : close - at - 1;
      if (length > 0 && length <= kMaxBraced) {
        append_group(referenced_group(r.substr(at + 1, length), m), letter_case, m, out);
        i = close + 1;
        continue;
      }
    }
    // No reference: the dollar sign is text, and what follows it is read anew.
    out.push_back(u'$');
  }
}

}  // namespace orv
