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
  const ThreadSettings& t = *g_thread;
  StringView name = builtin_suffix(var);
  if (equals_ignore_case(name, u"DefaultGui")) return put_text(dest, g_default_gui_name ? g_default_gui_name() : String(u"1"));
  if (equals_ignore_case(name, u"DefaultListView") || equals_ignore_case(name, u"DefaultTreeView"))
    return put_text(dest, StringView());
  auto coordinate = [&](int32_t v) { return v == ThreadSettings::kGuiUnset ? put_text(dest, StringView()) : put_int(dest, v); };
  if (equals_ignore_case(name, u"GuiX")) return coordinate(t.gui_x);
  if (equals_ignore_case(name, u"GuiY")) return coordinate(t.gui_y);
  if (equals_ignore_case(name, u"GuiWidth")) return coordinate(t.gui_width);
  if (equals_ignore_case(name, u"GuiHeight")) return coordinate(t.gui_height);
  // Until the thread carries a GUI window, no GUI event launched it.
  if (!t.gui_window) return put_text(dest, StringView());
  if (equals_ignore_case(name, u"Gui")) return put_text(dest, t.gui_name);
  if (equals_ignore_case(name, u"GuiControl")) return put_text(dest, t.gui_control_name);
  // A_GuiEvent and A_GuiControlEvent.
  if (!t.gui_event_text.empty()) return put_text(dest, t.gui_event_text);
  switch (t.gui_event) {
    case 0: return put_text(dest, StringView());
    case 1: return put_text(dest, u"Normal");
    case 2: return put_text(dest, u"DoubleClick");
    case 3: return put_text(dest, u"RightClick");
    case 4: return put_text(dest, u"ColClick");
    default: {
      char16_t c = char16_t(t.gui_event);
      return put_text(dest, StringView(&c, 1));
    }
  }
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
