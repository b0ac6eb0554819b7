#include "runtime/line_pacing.h"

namespace orv {

namespace {
// Without a pump there is nothing to look at: look again after a while.
void no_pump() { g_lines_until_check = INT32_MAX; }
}  // namespace

int32_t g_lines_until_check = 0;
void (*g_line_check)() = no_pump;

}  // namespace orv
