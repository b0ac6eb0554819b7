// What the engine owes the message pump before each line. The clock is read
// and the queue looked at only every few lines, or every line while
// something needs that (a thread not yet interruptible, a batch counted in
// lines, a pause); anything that changes those asks for a look at the next
// line. The look itself is the pump's, above the core: it installs it when
// the program starts.
#pragma once

#include <cstdint>

namespace orv {

extern int32_t g_lines_until_check;
extern void (*g_line_check)();

inline void before_line() {
  if (--g_lines_until_check <= 0) g_line_check();
}
inline void check_before_next_line() { g_lines_until_check = 0; }

}  // namespace orv
