#include "library/text_search.h"

#include "runtime/thread_settings.h"
#include "runtime/variable.h"

namespace orv {

CaseMode thread_case_mode() {
  // The locale setting compares without regard to case as well; the case
  // mapping is the program's own for every setting.
  return g_thread->case_sense == StringCaseSense::On ? CaseMode::Sensitive : CaseMode::Insensitive;
}

bool matches_at(StringView hay, size_t at, StringView needle, CaseMode mode) {
  if (at > hay.size() || needle.size() > hay.size() - at) return false;
  for (size_t i = 0; i < needle.size(); ++i) {
    char16_t a = hay[at + i], b = needle[i];
    if (a != b && (mode == CaseMode::Sensitive || fold_case(a) != fold_case(b))) return false;
  }
  return true;
}

size_t find_forward(StringView hay, StringView needle, size_t from, int64_t occurrence, CaseMode mode) {
  if (occurrence < 1 || from > hay.size()) return StringView::npos;
  if (needle.empty()) return from;
  for (size_t i = from; i + needle.size() <= hay.size();) {
    if (!matches_at(hay, i, needle, mode)) {
      ++i;
      continue;
    }
    if (--occurrence == 0) return i;
    i += needle.size();
  }
  return StringView::npos;
}

size_t find_backward(StringView hay, StringView needle, size_t end, int64_t occurrence, CaseMode mode) {
  if (occurrence < 1) return StringView::npos;
  if (end > hay.size()) end = hay.size();
  if (needle.empty()) return end;
  if (needle.size() > end) return StringView::npos;
  for (size_t i = end - needle.size();;) {
    if (matches_at(hay, i, needle, mode)) {
      if (--occurrence == 0) return i;
      if (i < needle.size()) break;
      i -= needle.size();
      continue;
    }
    if (i == 0) break;
    --i;
  }
  return StringView::npos;
}

int64_t replace_text(StringView hay, StringView search, StringView replacement, int64_t limit, CaseMode mode,
                     String& out) {
  if (search.empty() || limit == 0) return 0;
  size_t first = find_forward(hay, search, 0, 1, mode);
  if (first == StringView::npos) return 0;
  out.clear();
  out.reserve(hay.size());
  int64_t count = 0;
  size_t done = 0;
  for (size_t at = first; at != StringView::npos && (limit < 0 || count < limit);
       at = find_forward(hay, search, done, 1, mode)) {
    out.append(hay.substr(done, at - done));
    if (over_memory_limit(out.size() + replacement.size() + 1)) {
      out.clear();
      return kReplacedTooLong;
    }
    out.append(replacement);
    done = at + search.size();
    ++count;
  }
  out.append(hay.substr(done));
  return count;
}

}  // namespace orv
