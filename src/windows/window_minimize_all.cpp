// WinMinimizeAll and WinMinimizeAllUndo. Done window by window rather than
// by asking a taskbar, which a desktop may not have: the windows minimized
// are remembered so that the undo restores exactly those.
#include "runtime/executor.h"
#include "runtime/script_line.h"
#include "windows/window_actions.h"
#include "windows/window_commands.h"

namespace orv {

namespace {

constexpr uint32_t kMinimizeBoxStyle = 0x00020000;

std::vector<WindowHandle>& minimized_by_us() {
  static std::vector<WindowHandle> windows;
  return windows;
}

}  // namespace

Result cmd_win_minimize_all(const ScriptLine& line, ExpandedArgs&) {
  platform::WindowSystem& d = desktop();
  std::vector<WindowHandle>& mine = minimized_by_us();
  if (line.action == CmdWinMinimizeAllUndo) {
    for (auto it = mine.rbegin(); it != mine.rend(); ++it)
      if (d.exists(*it) && d.show_state(*it) == platform::ShowState::Minimized) d.show(*it, platform::ShowCommand::Restore);
    mine.clear();
  } else {
    std::vector<WindowHandle> all;
    d.top_level_windows(all);
    for (WindowHandle w : all) {
      // Only what a user could minimize: shown windows with a minimize box.
      if (!d.visible(w) || !(d.style(w) & kMinimizeBoxStyle) || d.show_state(w) == platform::ShowState::Minimized)
        continue;
      d.show(w, platform::ShowCommand::Minimize);
      mine.push_back(w);
    }
  }
  win_delay();
  return ResultDone;
}

}  // namespace orv
