#include "runtime/thread_settings.h"

namespace orv {

namespace {
// Until the first pseudo-thread is pushed (and in the unit tests) the
// formats and settings of a fresh thread apply.
ThreadSettings g_startup_thread;
}  // namespace

ThreadSettings* g_thread = &g_startup_thread;
ThreadSettings g_thread_defaults;

String (*g_default_gui_name)() = nullptr;

void capture_thread_defaults() { capture_thread_defaults(*g_thread); }

void capture_thread_defaults(const ThreadSettings& from) {
  ThreadSettings d = from;
  d.loop_index = 0;
  d.loop_field.clear();
  d.loop_read_line.clear();
  d.loop_file = nullptr;
  d.loop_reg = nullptr;
  d.loop_output = nullptr;
  d.current_line = nullptr;
  d.current_func = nullptr;
  d.current_label = nullptr;
  d.in_try = false;
  d.msgbox_result = 0;  // each thread answers IfMsgBox for its own boxes
  d.thrown = ThrownValue();
  // Each later thread starts with the window named "1" as its default and
  // no GUI event.
  d.gui_window.reset();
  d.gui_name.clear();
  d.gui_control_name.clear();
  d.default_gui.reset();
  d.gui_control = 11000;
  d.gui_event = 0;
  d.gui_event_text.clear();
  d.gui_width = d.gui_height = ThreadSettings::kGuiUnset;
  d.gui_x = d.gui_y = ThreadSettings::kGuiUnset;
  d.dialog_owner = 0;
  g_thread_defaults = std::move(d);
}

}  // namespace orv
