// The message pump: the one place where new threads start. It runs when the
// auto-execute section is over, during Sleep and every other wait, and
// between lines when a message is waiting or a batch of lines is used up.
#pragma once

#include <cstdint>

#include "events/script_threads.h"
#include "events/thread_settings.h"
#include "platform/platform.h"

namespace orv {

enum class PumpMode : uint8_t { Drain, Wait, WaitFiltered };

// About 10 ms, returning as soon as the queue is empty.
inline constexpr int32_t kDurationUnspecified = int32_t(0x8000012F);

// Handles messages for `duration_ms` (negative: drain without resting; 0:
// drain and yield once). True when a timer ran or a thread was launched,
// so that the caller knows the script's state may have changed.
bool pump_messages(int32_t duration_ms, PumpMode mode);

// Waits in the pump for good: what a resident script does once its
// auto-execute section is over.
[[noreturn]] void pump_forever();

// What the engine owes the pump before each line; cheap unless something
// is due.
void before_line_slow(uint64_t now);
inline void before_line() {
  uint64_t now = platform::tick_count();
  const ThreadSettings& t = *g_thread;
  ++g_threads.lines_since_rest;
  if (now - g_threads.last_peek_tick > uint64_t(int64_t(t.peek_interval_ms)) || !t.allow_interruption ||
      t.lines_per_batch > -1 || t.is_paused ||
      (t.batch_interval_ms > -1 && now - g_threads.last_rest_tick >= uint64_t(t.batch_interval_ms)))
    before_line_slow(now);
}

}  // namespace orv
