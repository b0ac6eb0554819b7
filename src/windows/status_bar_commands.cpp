// StatusBarGetText and StatusBarWait: the text of one part of a window's
// status bar (its first control of the status bar class), which lives in
// the window's process and is read from there.
#include "runtime/error_level.h"
#include "runtime/executor.h"
#include "runtime/numbers.h"
#include "runtime/variable.h"
#include "windows/control_target.h"
#include "windows/window_actions.h"
#include "windows/window_commands.h"

namespace orv {

namespace {

constexpr uint32_t kGetTextLength = 0x040C, kGetText = 0x040D;  // the status bar's own messages
constexpr uint32_t kTimeoutMs = 2000;

WindowHandle status_bar(WindowHandle window) {
  return window ? find_control(window, u"msctls_statusbar321", thread_search_context().settings) : 0;
}

// Part numbers count from 1; blank is the first.
uintptr_t part_of(StringView text) {
  text = trim(text);
  int64_t n = text.empty() ? 1 : text_to_int(text);
  return uintptr_t(n < 1 ? 0 : n - 1);
}

bool part_text(WindowHandle bar, uintptr_t part, String& out) {
  bool ok = false;
  intptr_t length = ask(bar, kGetTextLength, part, 0, &ok) & 0xFFFF;
  return ok && desktop().send_receive_remote(bar, kGetText, part, size_t(length), kTimeoutMs, out);
}

}  // namespace

// StatusBarGetText, OutputVar [, Part#, WinTitle, WinText, ExcludeTitle, ExcludeText]
Result cmd_status_bar_get_text(const ScriptLine&, ExpandedArgs& args) {
  WindowHandle bar = status_bar(target_window(query_of(args, 2)));
  String text;
  bool ok = bar && part_text(bar, part_of(arg_text(args, 1)), text);
  if (args.vars[0]) {
    if (Result r = args.vars[0]->assign(text); r != ResultDone) return r;
  }
  return set_error_level(ok ? 0 : 1);
}

// StatusBarWait [, BarText, Seconds, Part#, WinTitle, WinText, Interval, ExcludeTitle, ExcludeText]:
// ErrorLevel 0 once the part matches BarText (per the title-match mode;
// blank waits for it to be empty), 1 after the time-out, 2 without a bar.
Result cmd_status_bar_wait(const ScriptLine&, ExpandedArgs& args) {
  WindowQuery q{arg_text(args, 3), arg_text(args, 4), arg_text(args, 6), arg_text(args, 7)};
  StringView wanted = arg_text(args, 0), seconds = trim(arg_text(args, 1)), interval_text = trim(arg_text(args, 5));
  uintptr_t part = part_of(arg_text(args, 2));
  int64_t interval = interval_text.empty() ? 50 : text_to_int(interval_text);
  bool forever = seconds.empty();
  int64_t limit_ms = forever ? 0 : int64_t(text_to_double(seconds) * 1000);
  uint64_t start = platform::tick_count();
  TitleMatchMode mode = thread_search_context().settings.mode;
  for (;;) {
    WindowHandle bar = status_bar(target_window(q));
    if (!bar) return set_error_level(2);
    String text;
    if (!part_text(bar, part, text)) return set_error_level(2);
    bool match = wanted.empty() ? text.empty() : title_matches(text, wanted, mode);
    if (match) return set_error_level(0);
    if (!forever && int64_t(platform::tick_count() - start) + 6 > limit_ms) return set_error_level(1);
    pause_ms(int32_t(interval < 10 ? 10 : interval));
  }
}

}  // namespace orv
