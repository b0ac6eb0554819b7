#include "base/wildcard.h"

namespace orv {

bool wildcard_match(StringView pattern, StringView name) {
  // "*.*" (any pattern ending ".*") also matches names without a dot, as it
  // does on Windows.
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == u".*" && name.find(u'.') == StringView::npos &&
      wildcard_match(pattern.substr(0, pattern.size() - 2), name))
    return true;
  // Greedy matching with one backtrack point per "*": linear in practice.
  size_t p = 0, n = 0, star = StringView::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || fold_case(pattern[p]) == fold_case(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      mark = n;
    } else if (star != StringView::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace orv
