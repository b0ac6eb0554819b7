// WinWait, WinWaitActive, WinWaitClose and WinWaitNotActive: poll the
// condition, running the message loop between polls so that hotkeys and
// timers go on, until it holds (ErrorLevel 0) or the time-out runs out
// (ErrorLevel 1).
#include "platform/platform.h"
#include "runtime/error_level.h"
#include "runtime/executor.h"
#include "runtime/numbers.h"
#include "runtime/script_line.h"
#include "windows/window_actions.h"
#include "windows/window_commands.h"

namespace orv {

namespace {

// The wait gives up once fewer than this many milliseconds remain, rather
// than oversleep the time-out with one more poll.
constexpr int64_t kLeastUsefulWait = 6;
constexpr int32_t kPollMs = 10;

bool condition_holds(CommandId id, const WindowQuery& q) {
  switch (id) {
    case CmdWinWait: return thread_find_window(q, LastFound::Set) != 0;
    case CmdWinWaitActive: return thread_find_active(q, LastFound::Set) != 0;
    case CmdWinWaitClose: return thread_find_window(q, LastFound::Keep) == 0;
    default: return thread_find_active(q, LastFound::Keep) == 0;
  }
}

}  // namespace

// WinWait..., WinTitle, WinText, Seconds, ExcludeTitle, ExcludeText
Result cmd_win_wait(const ScriptLine& line, ExpandedArgs& args) {
  WindowQuery q{arg_text(args, 0), arg_text(args, 1), arg_text(args, 3), arg_text(args, 4)};
  StringView seconds = trim(arg_text(args, 2));
  bool timed = !seconds.empty();
  int64_t limit_ms = timed ? int64_t(text_to_double(seconds) * 1000) : 0;
  uint64_t start = platform::tick_count();
  for (;;) {
    if (condition_holds(line.action, q)) break;
    if (timed && limit_ms - int64_t(platform::tick_count() - start) < kLeastUsefulWait) return set_error_level(1);
    pause_ms(kPollMs);
  }
  if (line.action == CmdWinWait || line.action == CmdWinWaitActive) win_delay();
  return set_error_level(0);
}

}  // namespace orv
