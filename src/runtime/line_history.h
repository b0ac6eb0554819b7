// The lines most recently started, for ListLines: a fixed ring, so that
// recording costs two stores and never allocates.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "runtime/thread_settings.h"
#include "platform/platform.h"

namespace orv {

struct ScriptLine;

class LineHistory {
 public:
  static constexpr int kSize = 400;
  // The ListLines buffer, ending included.
  static constexpr size_t kMaxText = 65534;

  // `tick` is a millisecond count; it may wrap around.
  void record(const ScriptLine* line, uint32_t tick) {
    entries_[next_] = {line, tick};
    if (++next_ == kSize) next_ = 0;
  }
  void clear();

  // The ListLines text, with elapsed times measured up to `now`.
  String text(uint32_t now) const;

 private:
  struct Entry {
    const ScriptLine* line;
    uint32_t tick;
  };
  // Lists the newest `limit` entries; false when they would not fit.
  bool list_newest(int limit, uint32_t now, String& out) const;

  Entry entries_[kSize] = {};
  int next_ = 0;
};

extern LineHistory g_line_history;

// Called by the engine as each line starts; ListLines Off stops it per thread.
inline void record_line(const ScriptLine* line) {
  if (g_thread->line_history) g_line_history.record(line, uint32_t(platform::tick_count()));
}

// The ListLines text of the program's history, as of now.
String list_lines();

}  // namespace orv
