#include "library/regex_options.h"

#include <pcre2.h>

namespace orv {

namespace {

// What one option character does; false for a character that is no option.
bool apply_option(char16_t c, char16_t next, RegexOptions& o, size_t& i) {
  switch (c) {
    case u'i': o.compile |= PCRE2_CASELESS; return true;
    case u'm': o.compile |= PCRE2_MULTILINE; return true;
    case u's': o.compile |= PCRE2_DOTALL; return true;
    case u'x': o.compile |= PCRE2_EXTENDED; return true;
    case u'A': o.compile |= PCRE2_ANCHORED; return true;
    case u'D': o.compile |= PCRE2_DOLLAR_ENDONLY; return true;
    case u'J': o.compile |= PCRE2_DUPNAMES; return true;
    case u'U': o.compile |= PCRE2_UNGREEDY; return true;
    // Strict escapes: a backslash before a letter with no meaning is an
    // error rather than the letter itself.
    case u'X': o.extra &= ~uint32_t(PCRE2_EXTRA_BAD_ESCAPE_IS_LITERAL); return true;
    case u'C': o.compile |= PCRE2_AUTO_CALLOUT; return true;
    case u'S': o.jit = true; return true;
    case u'O': o.mode = RegexOutputMode::Object; return true;
    case u'P': o.mode = RegexOutputMode::Positions; return true;
    case u'\n': o.newline = PCRE2_NEWLINE_LF; return true;
    case u'\r':
      if (next == u'\n') {
        o.newline = PCRE2_NEWLINE_CRLF;
        ++i;
      } else {
        o.newline = PCRE2_NEWLINE_CR;
      }
      return true;
    case u'\a': o.newline = PCRE2_NEWLINE_ANY; return true;
    case u' ':
    case u'\t': return true;
    default: return false;
  }
}

RegexOptions defaults() {
  RegexOptions o;
  // Text that is not valid UTF-16 (a lone surrogate) simply does not match
  // where it stands, instead of being undefined for the matcher.
  o.compile = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF;
  o.extra = PCRE2_EXTRA_BAD_ESCAPE_IS_LITERAL;
  o.newline = PCRE2_NEWLINE_CRLF;
  return o;
}

}  // namespace

RegexOptions parse_regex_options(StringView needle) {
  RegexOptions o = defaults();
  for (size_t i = 0; i < needle.size(); ++i) {
    if (needle[i] == u')') {
      o.pattern_offset = i + 1;
      return o;
    }
    char16_t next = i + 1 < needle.size() ? needle[i + 1] : 0;
    if (!apply_option(needle[i], next, o, i)) break;
  }
  return defaults();
}

}  // namespace orv
