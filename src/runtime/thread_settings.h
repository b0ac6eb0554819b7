// The settings of one pseudo-thread. Each thread is a copy of the defaults
// that the auto-execute section left behind; commands such as SetFormat and
// StringCaseSense change the running thread's copy only.
#pragma once

#include <cstdint>
#include <memory>

#include "base/code_pages.h"
#include "base/text.h"
#include "runtime/object.h"

namespace orv {

struct ScriptLine;
struct GuiWindow;
struct Func;
struct Label;

enum class StringCaseSense : uint8_t { Off = 0, On = 1, Locale = 2 };
enum class IntegerFormat : uint8_t { Decimal, HexUpper, HexLower };
enum class SendMode : uint8_t { Event, Input, Play, InputThenPlay };
// 1 starts with, 2 contains, 3 equals, RegEx: a regular expression.
enum class TitleMatchMode : uint8_t { StartsWith = 1, Contains = 2, Exact = 3, RegEx = 4 };

// What the coordinates of one kind of command are relative to. Each target
// has two bits in the thread's coordinate-mode word.
enum class CoordMode : uint8_t { Window = 0, Screen = 1, Client = 2 };
enum class CoordTarget : uint8_t { ToolTip = 0, Pixel = 1, Mouse = 2, Caret = 3, Menu = 4 };


// The current item of a file loop: the directory prefix as the pattern gave
// it and the entry found there.
struct LoopFileItem {
  String prefix;  // up to and including the last separator; may be empty
  String name;
  bool is_directory = false;
  uint32_t attributes = 0;
  uint64_t size = 0;
  int64_t created = 0, modified = 0, accessed = 0;
};

// The current item of a registry loop.
struct LoopRegItem {
  String root;
  String subkey;
  String name;
  String type;
  int64_t modified = 0;
};

// The slot of a thrown object: it owns its reference like any Ref, and an
// object stored into it as a plain pointer hands over the reference it came
// with, as a freshly made exception object does.
class ThrownObject : public ObjectRef {
 public:
  using ObjectRef::operator=;
  ThrownObject& operator=(IObject* fresh) {
    ObjectRef::operator=(ObjectRef::adopt(fresh));
    return *this;
  }
};

// A thrown value on its way to a Catch: a number, a text (kept here) or an
// object, and the line that threw it.
struct ThrownValue {
  bool pending = false;
  uint32_t symbol = 0;
  int64_t integer = 0;
  double number = 0;
  String text;
  ThrownObject object;
  const ScriptLine* line = nullptr;

  // Moves the value out, leaving nothing pending (a Finally or a __Delete
  // runs with it set aside).
  ThrownValue take() {
    ThrownValue v = std::move(*this);
    *this = ThrownValue();
    return v;
  }
};

struct ThreadSettings {
  int64_t lines_per_batch = -1;
  int32_t batch_interval_ms = 10;
  int32_t priority = 0;
  int64_t event_info = 0;
  // The window that satisfied the launching hotkey's criterion, or a GUI
  // window: what commands without a window parameter act on.
  uintptr_t last_found_window = 0;
  int32_t peek_interval_ms = 5;  // 16 or the Critical value while critical
  bool is_critical = false;
  bool is_paused = false;

  // Whether events may start a thread on top of this one. A new thread is
  // uninterruptible for a short period (a time and a line count).
  bool allow_interruption = true;
  bool allow_timers = true;  // false after Thread, NoTimers
  int32_t uninterruptible_lines_run = 0;
  uint64_t uninterruptible_since = 0;
  int32_t uninterruptible_ms = 0;  // -1: no time limit
  struct ScriptTimer* current_timer = nullptr;  // the timer this thread runs for
  uint32_t last_error = 0;  // the system's last error after the thread's last system call
  int32_t msgbox_result = 0;  // the answer to the thread's last MsgBox, for IfMsgBox; 0: none

  // Coordinates of a GUI event; unset until one launches the thread.
  static constexpr int32_t kGuiUnset = INT32_MIN;
  int32_t gui_x = kGuiUnset, gui_y = kGuiUnset;
  // The GUI event that launched the thread: its window and control (11000:
  // the window itself), its kind (1 Normal, 2 DoubleClick, 3 RightClick,
  // 4 ColClick, else a character) or a text standing for it, and the
  // window's client size for GuiSize.
  std::shared_ptr<GuiWindow> gui_window;
  String gui_name, gui_control_name;  // what A_Gui and A_GuiControl show
  int32_t gui_control = 11000;
  uint32_t gui_event = 0;
  String gui_event_text;
  int32_t gui_width = kGuiUnset, gui_height = kGuiUnset;
  // The window Gui addresses without a name (null: the one named "1"),
  // and the window that owns the thread's dialogs (0: none).
  std::shared_ptr<GuiWindow> default_gui;
  uintptr_t dialog_owner = 0;

  // Input, window and control commands. Delays are in milliseconds; -1
  // means none at all, 0 the shortest possible.
  int32_t win_delay = 100;
  int32_t control_delay = 20;
  int32_t key_delay = 10, key_duration = -1;
  int32_t key_delay_play = -1, key_duration_play = -1;
  int32_t mouse_delay = 10, mouse_delay_play = -1;
  int32_t default_mouse_speed = 2;
  uint8_t send_level = 0;
  // Modifiers a send held down ("{Shift down}"): later sends of the thread
  // keep them down.
  uint8_t send_held_modifiers = 0;
  SendMode send_mode = SendMode::Event;
  bool store_capslock_mode = true;
  uint16_t coord_modes = 0;  // two bits per CoordTarget; all Window
  TitleMatchMode title_match_mode = TitleMatchMode::StartsWith;
  bool title_match_fast = true;
  bool detect_hidden_windows = false;
  bool detect_hidden_text = true;
  uint32_t file_encoding = 0;  // a code page (0: the system's), plus kEncodingNoBom for the -RAW forms
  uint16_t reg_view = 0;  // 32 or 64; 0 for the system's own view

  CoordMode coord_mode(CoordTarget target) const {
    return CoordMode((coord_modes >> (2 * unsigned(target))) & 3);
  }

  // Number formats used when numbers become text.
  char16_t float_format[32] = u"%0.6f";
  IntegerFormat integer_format = IntegerFormat::Decimal;
  StringCaseSense case_sense = StringCaseSense::Off;
  bool auto_trim = true;
  bool line_history = true;

  // Loop state behind A_Index and the loop variables.
  int64_t loop_index = 0;
  String loop_field;      // A_LoopField of a parsing loop
  String loop_read_line;  // A_LoopReadLine of a file-reading loop
  const struct LoopFileItem* loop_file = nullptr;  // the running file loop's item
  const struct LoopRegItem* loop_reg = nullptr;    // the running registry loop's item
  struct ReadLoopOutput* loop_output = nullptr;    // the running file-reading loop's output file

  // A thrown value no Catch has taken yet.
  ThrownValue thrown;

  const ScriptLine* current_line = nullptr;
  Func* current_func = nullptr;
  const Label* current_label = nullptr;  // the last Goto or Gosub target
  bool in_try = false;
};

// The name A_DefaultGui shows for the running thread's default window;
// the GUI layer provides it (null: "1").
extern String (*g_default_gui_name)();

// The thread whose lines are running now.
extern ThreadSettings* g_thread;

// The settings every new thread starts with: those the auto-execute section
// left behind.
extern ThreadSettings g_thread_defaults;
// Takes the running thread's settings as the defaults, without its
// per-thread state (loop variables, current line and function, thrown value).
void capture_thread_defaults();
void capture_thread_defaults(const ThreadSettings& from);

}  // namespace orv
