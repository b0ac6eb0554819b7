// Look-up in a constant table sorted by name, compared without regard to
// case: the built-in functions, the built-in variables.
#pragma once

#include <cstddef>

#include "base/text.h"

namespace orv {

// `Entry` has a `name` member; null when no entry has that name.
template <class Entry>
const Entry* find_by_name(const Entry* entries, size_t count, StringView name) {
  size_t lo = 0, hi = count;
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    int c = compare_ignore_case(StringView(entries[mid].name), name);
    if (c == 0) return &entries[mid];
    if (c < 0) lo = mid + 1;
    else hi = mid;
  }
  return nullptr;
}

}  // namespace orv
