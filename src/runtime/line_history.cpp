#include "runtime/line_history.h"

#include "base/messages.h"
#include "runtime/line_lister.h"

namespace orv {

LineHistory g_line_history;

namespace {

constexpr size_t kMaxListedLine = 200;

String ending() { return u"\r\n" + String(message(Msg::PressF5ToRefresh)); }

// Tick counts wrap around, so differences are taken in 32 bits.
int32_t ticks_between(uint32_t from, uint32_t to) { return int32_t(to - from); }

}  // namespace

void LineHistory::clear() {
  for (Entry& e : entries_) e = {};
  next_ = 0;
}

bool LineHistory::list_newest(int limit, uint32_t now, String& out) const {
  Entry listed[kSize];
  int count = 0;
  for (int k = 0; k < kSize; ++k) {
    const Entry& e = entries_[(next_ + k) % kSize];
    if (e.line) listed[count++] = e;
  }
  const Entry* entry = listed + (count > limit ? count - limit : 0);
  int n = count > limit ? limit : count;

  String one;
  const size_t ending_size = ending().size();
  auto emit = [&](const Entry& e, int64_t elapsed_ms, bool still_waiting) {
    one.clear();
    if (still_waiting) {
      one += message(Msg::StillWaiting);
      one += u" (";
      one += format_seconds(elapsed_ms);
      one += u"): ";
      elapsed_ms = 0;
    }
    list_line(one, *e.line, kMaxListedLine, elapsed_ms, LineEnd::CrLf);
    if (out.size() + one.size() > kMaxText - ending_size) return false;
    out += one;
    return true;
  };

  for (int i = 0; i < n; ++i) {
    const Entry& e = entry[i];
    if (i == n - 1) return emit(e, ticks_between(e.tick, now), false);
    int32_t elapsed = ticks_between(e.tick, entry[i + 1].tick);
    if (elapsed >= 0) {
      if (!emit(e, elapsed, false)) return false;
      continue;
    }
    // The next entry started earlier than this one: it is passed over and
    // this line's time runs to the entry after it, unless the next entry is
    // the newest, which is then still waiting to finish.
    if (i + 1 == n - 1)
      return emit(e, ticks_between(e.tick, now), false) &&
             emit(entry[i + 1], ticks_between(entry[i + 1].tick, now), true);
    if (!emit(e, ticks_between(e.tick, entry[i + 2].tick), false)) return false;
    ++i;
  }
  return true;
}

String LineHistory::text(uint32_t now) const {
  String out;
  for (int limit : {kSize, 300, 200, 100}) {
    out.assign(message(Msg::LineHistoryHeading));
    out += u"\r\n\r\n";
    if (list_newest(limit, now, out)) break;
  }
  out += ending();
  return out;
}

String list_lines() { return g_line_history.text(uint32_t(platform::tick_count())); }

}  // namespace orv
