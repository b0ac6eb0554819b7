// The headless queue: no windows, so the only message is the wake timer's
// tick, due every 10 ms while the timer runs. Timers and waits therefore
// run in the same order as on Windows.
#include <unistd.h>

#include "platform/messages.h"
#include "platform/platform.h"
#include "platform/posix/headless.h"

namespace orv::platform {

namespace {

constexpr uint64_t kWakePeriodMs = 10;
bool g_wake_on = false;
uint64_t g_next_tick = 0;

void take_tick(QueuedMessage& out) {
  out = QueuedMessage();
  out.message = 0x113;  // WM_TIMER
  out.wake_tick = true;
  uint64_t now = tick_count();
  out.time = uint32_t(now);
  // Like a system timer, missed ticks do not pile up.
  g_next_tick = now + kWakePeriodMs;
}

}  // namespace

void wait_message(QueuedMessage& out, FetchRange range) {
  (void)range;
  if (confined() && (!g_wake_on || waiting_over())) {
    // A confined run is not stopped from outside: it is closed instead.
    out = QueuedMessage();
    out.quit = true;
    return;
  }
  // With no timer nothing can ever arrive: a resident script with nothing
  // to wait for waits until it is stopped.
  while (!g_wake_on) pause();
  uint64_t now = tick_count();
  if (now < g_next_tick) sleep_ms(uint32_t(g_next_tick - now));
  take_tick(out);
}

bool peek_message(QueuedMessage& out, FetchRange range) {
  (void)range;
  if (!message_waiting()) return false;
  take_tick(out);
  return true;
}

bool message_waiting() { return g_wake_on && tick_count() >= g_next_tick; }

void dispatch_message(QueuedMessage& message) { (void)message; }

// Without a window nothing is ever offered.
void set_main_window_handler(MainWindowHandler) {}

void set_wake_timer(bool on) {
  if (on && !g_wake_on) g_next_tick = tick_count() + kWakePeriodMs;
  g_wake_on = on;
}

}  // namespace orv::platform
