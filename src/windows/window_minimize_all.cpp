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

void minimize_all(platform::WindowSystem& d, std::vector<WindowHandle>& minimized) {
  std::vector<WindowHandle> all;
  d.top_level_windows(all);
  for (WindowHandle w : all) {
    // Only what a user could minimize: shown windows with a minimize box.
    if (!d.visible(w) || !(d.style(w) & kMinimizeBoxStyle) || d.show_state(w) == platform::ShowState::Minimized)
      continue;
    d.show(w, platform::ShowCommand::Minimize);
    minimized.push_back(w);
  }
}

void undo_minimize_all(platform::WindowSystem& d, std::vector<WindowHandle>& minimized) {
  // Restored in the reverse order, so that the topmost ends on top again;
  // a window the user restored or closed meanwhile is left as it is.
  for (auto it = minimized.rbegin(); it != minimized.rend(); ++it)
    if (d.exists(*it) && d.show_state(*it) == platform::ShowState::Minimized) d.show(*it, platform::ShowCommand::Restore);
  minimized.clear();
}

Result cmd_win_minimize_all(const ScriptLine& line, ExpandedArgs&) {
  if (line.action == CmdWinMinimizeAllUndo) undo_minimize_all(desktop(), minimized_by_us());
  else minimize_all(desktop(), minimized_by_us());
  win_delay();
  return ResultDone;
}

}  // namespace orv
