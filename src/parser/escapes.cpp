#include "parser/escapes.h"

namespace orv {

namespace {

char16_t escaped_char(char16_t c) {
  switch (c) {
    case u'a': return 7;
    case u'b': return 8;
    case u'f': return 12;
    case u'n': return 10;
    case u'r': return 13;
    case u't': return 9;
    case u'v': return 11;
    default: return c;
  }
}

}  // namespace

String translate_escapes(StringView text, char16_t escape, std::vector<bool>& escaped) {
  String out;
  out.reserve(text.size());
  escaped.clear();
  escaped.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == escape && i + 1 < text.size()) {
      out.push_back(escaped_char(text[++i]));
      escaped.push_back(true);
    } else {
      out.push_back(text[i]);
      escaped.push_back(false);
    }
  }
  return out;
}

String translate_escapes(StringView text, char16_t escape) {
  std::vector<bool> ignored;
  return translate_escapes(text, escape, ignored);
}

}  // namespace orv
