// Commands that change a window's state: WinActivate, WinActivateBottom,
// WinMinimize, WinMaximize, WinRestore, WinHide, WinShow, WinClose and
// WinKill, each also in its group form ("orv_group Name" acts on every
// window of the group).
#include "runtime/error_level.h"
#include "runtime/executor.h"
#include "runtime/numbers.h"
#include "runtime/script_line.h"
#include "windows/window_actions.h"
#include "windows/window_commands.h"
#include "windows/window_groups.h"

namespace orv {

namespace {

using platform::ShowCommand;

// The group a WinTitle of "orv_group Name" names when the other strings
// that would narrow it are empty; otherwise the command acts on one window.
bool group_form(const WindowQuery& q, bool exclude_text_too) {
  if (!starts_with_ignore_case(q.title, u"orv_group") || !q.text.empty() || !q.exclude_title.empty()) return false;
  if (exclude_text_too && !q.exclude_text.empty()) return false;
  StringView name = trim(q.title.substr(9));
  size_t end = 0;
  while (end < name.size() && !is_blank(name[end])) ++end;
  return find_window_group(name.substr(0, end)) != nullptr;
}

// Every window of the group; WinShow reaches hidden ones whatever the setting.
std::vector<WindowHandle> group_windows(const WindowQuery& q, bool include_hidden) {
  SearchContext context = thread_search_context();
  if (include_hidden) context.settings.hidden_windows = true;
  std::vector<WindowHandle> all;
  find_window(q, context, MatchOrder::First, &all);
  return all;
}

ShowCommand show_command_of(CommandId id) {
  switch (id) {
    case CmdWinMinimize: return ShowCommand::Minimize;
    case CmdWinMaximize: return ShowCommand::Maximize;
    case CmdWinRestore: return ShowCommand::Restore;
    case CmdWinHide: return ShowCommand::Hide;
    default: return ShowCommand::Show;
  }
}

// A hung window cannot take an ordinary minimize, and maximize or restore
// would wait on it: it is forced down or left alone.
void show_one(WindowHandle w, ShowCommand c) {
  platform::WindowSystem& d = desktop();
  bool hung = d.thread_id(w) != d.current_thread_id() && d.hung(w);
  if (hung && c == ShowCommand::Minimize) c = ShowCommand::ForceMinimize;
  else if (hung && (c == ShowCommand::Maximize || c == ShowCommand::Restore)) return;
  d.show(w, c);
}

// The window WinClose and WinKill act on: the active one when it matches,
// else the first match.
WindowHandle close_target(const WindowQuery& q) {
  if (q.active_shorthand() || q.empty()) return target_window(q);
  if (WindowHandle active = find_active_window(q, thread_search_context())) return active;
  return target_window(q);
}

}  // namespace

Result cmd_win_activate(const ScriptLine& line, ExpandedArgs& args) {
  activate_window(query_of(args, 0), line.action == CmdWinActivateBottom ? MatchOrder::Last : MatchOrder::First);
  return ResultDone;
}

Result cmd_win_show_state(const ScriptLine& line, ExpandedArgs& args) {
  WindowQuery q = query_of(args, 0);
  ShowCommand c = show_command_of(line.action);
  if (group_form(q, false)) {
    std::vector<WindowHandle> all = group_windows(q, c == ShowCommand::Show);
    for (WindowHandle w : all) show_one(w, c);
    if (!all.empty()) win_delay();
    return ResultDone;
  }
  if (WindowHandle w = target_window(q)) {
    show_one(w, c);
    win_delay();
  }
  return ResultDone;
}

// WinClose/WinKill, WinTitle, WinText, SecondsToWait, ExcludeTitle, ExcludeText.
// With a wait, ErrorLevel tells whether the window outlived it.
Result cmd_win_close(const ScriptLine& line, ExpandedArgs& args) {
  WindowQuery q{arg_text(args, 0), arg_text(args, 1), arg_text(args, 3), arg_text(args, 4)};
  CloseKind kind = line.action == CmdWinKill ? CloseKind::Kill : CloseKind::Close;
  StringView seconds = trim(arg_text(args, 2));
  bool timed = !seconds.empty();
  double s = timed ? text_to_double(seconds) : 0;
  int32_t wait_ms = !timed ? -2 : s < 0 ? -1 : s == 0 ? 500 : s * 1000 > INT32_MAX ? INT32_MAX : int32_t(s * 1000);
  bool all_gone = true;
  bool any = false;
  if (group_form(q, true)) {
    for (WindowHandle w : group_windows(q, false)) {
      any = true;
      all_gone = close_window(w, kind, wait_ms == -2 ? 0 : wait_ms) && all_gone;
    }
  } else if (WindowHandle w = close_target(q)) {
    any = true;
    all_gone = close_window(w, kind, wait_ms == -2 ? 20 : wait_ms);
  }
  if (any) win_delay();
  return timed ? set_error_level(all_gone ? 0 : 1) : ResultDone;
}

}  // namespace orv
