// PostMessage and SendMessage: a message with numbers for its parameters,
// to a window, one of its controls, or every top-level window at once
// (the broadcast handle, which only these commands may name).
#include "runtime/error_level.h"
#include "runtime/executor.h"
#include "runtime/numbers.h"
#include "runtime/script_line.h"
#include "windows/control_target.h"
#include "windows/window_commands.h"

namespace orv {

namespace {

constexpr uint32_t kDefaultTimeoutMs = 5000;

// The window a message goes to: parameter 3 names the control, 4..7 the window.
WindowHandle recipient(const ExpandedArgs& args) {
  WindowQuery q = query_of(args, 4);
  WindowCriteria c;
  bool broadcast = parse_criteria(q.title, q.text, q.exclude_title, q.exclude_text, thread_search_context().settings, c,
                                  BroadcastHandle::Accepted) &&
                   (c.flags & CriterionId) && c.id == kBroadcastHandle;
  if (broadcast) return trim(arg_text(args, 3)).empty() ? WindowHandle(kBroadcastHandle) : 0;
  return control_of(q, arg_text(args, 3));
}

}  // namespace

// PostMessage, Msg [, wParam, lParam, Control, WinTitle, WinText, ExcludeTitle, ExcludeText]
// SendMessage likewise, then Timeout in milliseconds.
Result cmd_post_message(const ScriptLine& line, ExpandedArgs& args) {
  uint32_t msg = uint32_t(text_to_int(trim(arg_text(args, 0))));
  uintptr_t wparam = uintptr_t(text_to_int(trim(arg_text(args, 1))));
  intptr_t lparam = intptr_t(text_to_int(trim(arg_text(args, 2))));
  WindowHandle w = recipient(args);
  if (line.action == CmdPostMessage) return set_error_level(w && desktop().post(w, msg, wparam, lparam) ? 0 : 1);
  StringView timeout = trim(arg_text(args, 8));
  uint32_t ms = timeout.empty() ? kDefaultTimeoutMs : uint32_t(text_to_int(timeout));
  intptr_t result = 0;
  if (!w || !desktop().send(w, msg, wparam, lparam, ms, result)) return set_error_level_text(u"FAIL");
  return set_error_level(int64_t(result));
}

}  // namespace orv
