// The variables that report what launched the running thread (hotkeys,
// hotstrings, menu items, GUI events), the tray icon, and why the program is
// exiting.
#include "platform/platform.h"
#include "runtime/builtin_producers.h"
#include "runtime/launch_state.h"
#include "runtime/process_state.h"
#include "runtime/thread_settings.h"
#include "runtime/tray_icon_settings.h"

namespace orv {

size_t produce_hotkey(char16_t* dest, const Variable& var) {
  StringView name = builtin_suffix(var);
  if (equals_ignore_case(name, u"ThisHotkey")) return put_text(dest, g_launch.this_hotkey);
  if (equals_ignore_case(name, u"PriorHotkey")) return put_text(dest, g_launch.prior_hotkey);
  if (equals_ignore_case(name, u"EndChar"))
    return put_text(dest, g_launch.end_char ? StringView(&g_launch.end_char, 1) : StringView());
  // A_PriorKey comes from the key history, which only the keyboard hook
  // keeps; without it the history is empty.
  return put_text(dest, StringView());
}

size_t produce_hotkey_time(char16_t* dest, const Variable& var) {
  bool prior = equals_ignore_case(builtin_suffix(var), u"TimeSincePriorHotkey");
  const String& hotkey = prior ? g_launch.prior_hotkey : g_launch.this_hotkey;
  if (hotkey.empty()) return put_changing_int(dest, -1);
  uint64_t since = prior ? g_launch.prior_hotkey_tick : g_launch.this_hotkey_tick;
  return put_changing_int(dest, int64_t(platform::tick_count() - since));
}

size_t produce_menu_item(char16_t* dest, const Variable& var) {
  StringView name = builtin_suffix(var);
  if (equals_ignore_case(name, u"ThisMenu")) return put_text(dest, g_launch.menu_name);
  if (equals_ignore_case(name, u"ThisMenuItem")) return put_text(dest, g_launch.menu_item_name);
  if (g_launch.menu_item_pos == 0) return put_text(dest, StringView());
  return put_int(dest, g_launch.menu_item_pos);
}

size_t produce_gui_event(char16_t* dest, const Variable& var) {
  // Until the thread carries a GUI window, no GUI event launched it: the
  // event variables are empty and the default window is the one named "1".
  const ThreadSettings& t = *g_thread;
  StringView name = builtin_suffix(var);
  if (equals_ignore_case(name, u"DefaultGui")) return put_text(dest, u"1");
  if (equals_ignore_case(name, u"GuiX") || equals_ignore_case(name, u"GuiY")) {
    int32_t v = equals_ignore_case(name, u"GuiX") ? t.gui_x : t.gui_y;
    if (v == ThreadSettings::kGuiUnset) return put_text(dest, StringView());
    return put_int(dest, v);
  }
  return put_text(dest, StringView());
}

size_t produce_tray_icon(char16_t* dest, const Variable& var) {
  StringView name = builtin_suffix(var);
  if (equals_ignore_case(name, u"IconFile")) return put_text(dest, g_tray_icon.file);
  if (equals_ignore_case(name, u"IconTip")) return put_text(dest, g_tray_icon.tip);
  if (equals_ignore_case(name, u"IconHidden")) return put_int(dest, g_tray_icon.hidden ? 1 : 0);
  // A_IconNumber belongs to a custom icon file.
  if (g_tray_icon.file.empty()) return put_text(dest, StringView());
  return put_int(dest, g_tray_icon.number);
}

size_t produce_exit_reason(char16_t* dest, const Variable&) {
  switch (g_process.exit_reason) {
    case ExitReason::Logoff: return put_text(dest, u"Logoff");
    case ExitReason::Shutdown: return put_text(dest, u"Shutdown");
    case ExitReason::Close: return put_text(dest, u"Close");
    case ExitReason::Error:
    case ExitReason::Critical: return put_text(dest, u"Error");
    case ExitReason::Menu: return put_text(dest, u"Menu");
    case ExitReason::Exit: return put_text(dest, u"Exit");
    case ExitReason::Reload: return put_text(dest, u"Reload");
    case ExitReason::SingleInstance: return put_text(dest, u"Single");
    default: return put_text(dest, StringView());
  }
}

}  // namespace orv
