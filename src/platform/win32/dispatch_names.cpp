#include "platform/win32/dispatch_names.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace orv::platform {

namespace {

// Names by number (entry id - 1) and the numbers sorted by name for the
// lookup. Nothing is ever removed, so a name's text never moves once
// given; only the two arrays are reallocated, under the exclusive lock.
struct NameTable {
  SRWLOCK lock = SRWLOCK_INIT;
  StringView* names = nullptr;
  int32_t* sorted = nullptr;
  size_t count = 0;
  size_t capacity = 0;
};

NameTable g_table;

// The position of `name` in the sorted ids, or where it would go.
size_t lower_bound(const NameTable& t, StringView name, bool& found) {
  size_t low = 0, high = t.count;
  found = false;
  while (low < high) {
    size_t mid = (low + high) / 2;
    int c = compare_ignore_case(t.names[t.sorted[mid] - 1], name);
    if (c < 0) {
      low = mid + 1;
    } else {
      found = c == 0;
      high = mid;
    }
  }
  return low;
}

bool grow(NameTable& t) {
  size_t capacity = t.capacity ? t.capacity * 2 : 64;
  auto* names = static_cast<StringView*>(std::realloc(t.names, capacity * sizeof(StringView)));
  if (!names) return false;
  t.names = names;
  // A failure here leaves the first array merely larger than needed.
  auto* sorted = static_cast<int32_t*>(std::realloc(t.sorted, capacity * sizeof(int32_t)));
  if (!sorted) return false;
  t.sorted = sorted;
  t.capacity = capacity;
  return true;
}

int32_t add_name(NameTable& t, StringView name, size_t pos) {
  if (t.count == t.capacity && !grow(t)) return 0;
  auto* text = static_cast<char16_t*>(std::malloc((name.size() + 1) * sizeof(char16_t)));
  if (!text) return 0;
  if (!name.empty()) std::memcpy(text, name.data(), name.size() * sizeof(char16_t));
  text[name.size()] = 0;
  auto id = int32_t(t.count + 1);
  t.names[t.count] = StringView(text, name.size());
  std::memmove(t.sorted + pos + 1, t.sorted + pos, (t.count - pos) * sizeof(int32_t));
  t.sorted[pos] = id;
  ++t.count;
  return id;
}

}  // namespace

int32_t dispatch_id_of_name(StringView name) {
  NameTable& t = g_table;
  bool found;
  AcquireSRWLockShared(&t.lock);
  size_t pos = lower_bound(t, name, found);
  int32_t id = found ? t.sorted[pos] : 0;
  ReleaseSRWLockShared(&t.lock);
  if (found) return id;
  AcquireSRWLockExclusive(&t.lock);
  // Another thread may have added it in between.
  pos = lower_bound(t, name, found);
  id = found ? t.sorted[pos] : add_name(t, name, pos);
  ReleaseSRWLockExclusive(&t.lock);
  return id;
}

bool dispatch_name_of_id(int32_t id, StringView& name) {
  NameTable& t = g_table;
  AcquireSRWLockShared(&t.lock);
  bool known = id >= 1 && size_t(id) <= t.count;
  if (known) name = t.names[id - 1];
  ReleaseSRWLockShared(&t.lock);
  return known;
}

}  // namespace orv::platform
