// Script windows and their controls: the records behind the Gui,
// GuiControl and GuiControlGet commands, and how a name in a command finds
// its window.
#pragma once

#include <climits>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/result.h"
#include "base/text.h"
#include "events/callable.h"
#include "platform/gui_system.h"

namespace orv {

struct Variable;
struct ScriptMenu;

enum class ControlType : uint8_t {
  None = 0, Text = 1, Pic = 2, GroupBox = 3, Button = 4, Checkbox = 5, Radio = 6, DropDownList = 7, ComboBox = 8,
  ListBox = 9, ListView = 10, TreeView = 11, Edit = 12, DateTime = 13, MonthCal = 14, Hotkey = 15, UpDown = 16,
  Slider = 17, Progress = 18, Tab = 19, Tab2 = 20, Tab3 = 21, ActiveX = 22, Link = 23, Custom = 24,
  StatusBar = 25, Gui = 26,
};

// The control type a word of Gui Add names; None for any other word.
ControlType control_type_named(StringView word);
// The system's window class of the type (the Custom type's comes from its
// options).
StringView control_class(ControlType type);

inline constexpr int32_t kNoControl = 11000;   // the window itself, in an event
inline constexpr size_t kMaxControls = 11000;
inline constexpr uint8_t kNotInTab = 255;
inline constexpr int32_t kUnsetMargin = INT32_MIN;
inline constexpr int32_t kFirstControlId = 3;  // ids 1 and 2 are the dialog manager's OK and Cancel

// How a list view column's cells compare when it is sorted.
struct ListViewColumn {
  enum class Kind : uint8_t { Text, Integer, Float } kind = Kind::Text;
  bool case_sense = false, logical = false, desc = false, no_sort = false;
  bool sorted_desc = false;  // the last sort went down: the next click sorts up
};

struct GuiControl {
  platform::WindowHandle hwnd = 0;
  ControlType type = ControlType::None;
  String class_name;  // the window class, which names it as ClassNN
  Variable* var = nullptr;
  String var_name;  // the variable's name, or the bound object's key
  Callable handler;
  bool cancel_handler = false;  // gCancel: the control hides its window
  bool handler_running = false;
  bool alt_submit = false;
  bool multi = false;           // a ListBox that selects several items
  bool wants_tab = false, wants_ctrl_a = true;  // an Edit's own keys
  bool hidden = false;          // hidden by the script, whatever page shows
  // Anchors: the share of a change of the window's client size that the
  // control's x, y, width and height follow, from where the control was
  // when the client area had the base size (0: taken at the next resize).
  double anchor[4] = {};
  bool anchored = false;
  int32_t base[4] = {};
  int32_t base_cw = 0, base_ch = 0;
  uint8_t tab_control = kNotInTab, tab_page = 0;
  uint32_t color = platform::kDefaultColor;
  // A list view: its columns' sort rules, and whether a header click sorts.
  std::vector<ListViewColumn> columns;
  bool lv_no_sort = false;
  int32_t lv_sorted_column = -1;
};

enum class GuiEventWord : uint8_t { Close, Escape, Size, ContextMenu, DropFiles, Count };

struct GuiWindow {
  String name;
  platform::WindowHandle hwnd = 0;
  platform::WindowHandle owner = 0;
  bool is_child = false;  // +Parent: placed inside its owner
  uint32_t style = 0x84CA0000, ex_style = 0;
  std::vector<GuiControl> controls;

  int32_t margin_x = kUnsetMargin, margin_y = kUnsetMargin;
  int32_t prev_x = 0, prev_y = 0, prev_w = 0, prev_h = 0;
  int32_t section_x = 0, section_y = 0;
  int32_t max_extent_x = 0, max_extent_y = 0;  // what AutoSize covers
  ControlType prev_type = ControlType::None;

  size_t font = 0;  // index into the font table
  uint32_t text_color = platform::kDefaultColor;
  uint32_t window_color = platform::kDefaultColor, control_color = platform::kDefaultColor;

  Callable handlers[size_t(GuiEventWord::Count)];
  bool running[size_t(GuiEventWord::Count)] = {};
  String label_prefix;
  bool has_label_prefix = false;

  uint8_t tab_control = kNotInTab, tab_page = 0;
  uint8_t tab_control_count = 0;
  platform::WindowHandle status_bar = 0;
  ScriptMenu* menu_bar = nullptr;
  // The controls the LV_ and TV_ functions act on: the last added, or the
  // one Gui ListView/TreeView named.
  platform::WindowHandle default_list_view = 0, default_tree_view = 0;

  bool dpi_scale = true;
  bool shown_once = false;
  bool own_dialogs = false;
  bool theme = true;
  char16_t delimiter = u'|';
  int32_t min_w = -1, min_h = -1, max_w = -1, max_h = -1;  // client sizes; -1: no limit
  uintptr_t pending_drop = 0;
  bool destroyed = false;

  // A size given in a script, scaled to the screen.
  int32_t scale(int32_t n) const;
  // Back from the screen to the script's sizes.
  int32_t unscale(int32_t n) const;
  // The control of a window handle, or null.
  GuiControl* control_of(platform::WindowHandle h);
  // The control a GuiControl command names: its handle, its variable's
  // name, its ClassNN, or its text; null when none matches.
  GuiControl* find_control(StringView id);
  // The control's class and its number among the window's controls of
  // that class (Button1, Edit2 ...).
  String class_nn(const GuiControl& c) const;
  int32_t index_of(const GuiControl& c) const { return int32_t(&c - controls.data()); }
};

using GuiRef = std::shared_ptr<GuiWindow>;

// Every script window, in the order made.
std::vector<GuiRef>& gui_windows();

enum class GuiNameError : uint8_t { None, Invalid, Missing };

// The window a name addresses: a name (1..253 characters), a number 1..99,
// or the handle of a script window. With `create` a name not in use makes
// a new record (its window comes later).
GuiNameError find_gui(StringView name, bool create, GuiRef& out);
// The window of a handle, or of the script window that contains it.
GuiRef gui_of_window(platform::WindowHandle window);
// The running thread's default window: its record, made when missing.
GuiRef default_gui(bool create);
void set_default_gui(const GuiRef& gui);
// "1" or the default window's name, as A_DefaultGui shows it.
String default_gui_name();
// What A_Gui shows for the window: its name, or its handle in hex when it
// has no name.
String gui_display_name(const GuiWindow& gui);

// A window handle as scripts see it: "0x" and lower-case hex digits.
String handle_text(platform::WindowHandle h);
// Stores a handle into the variable of that name (an Hwnd option).
Result store_handle(StringView var_name, platform::WindowHandle h);

// The window of the record, made when missing; false when the system
// refused it (reported as "Could not create window.").
bool ensure_gui_window(GuiWindow& gui, bool& made);
// Looks the event handlers up again (the prefix changed, or the window was made).
void find_event_handlers(GuiWindow& gui);
// Destroys the window and everything it made; the record leaves the list.
void destroy_gui(const GuiRef& gui);
// Every window at once, when the program ends.
void destroy_all_guis();

// The point size of the window's current font.
int32_t gui_font_points(const GuiWindow& gui);

}  // namespace orv
