// The windows and controls scripts build with Gui, as the system makes
// them. The base class keeps every window and control as a plain record
// (text, check state, list items, position ...) with fixed font metrics:
// that is what the headless host offers, so that layout, Submit and the
// control commands run and are tested natively. The Win32 implementation
// makes real windows of the class OrvantaGUI and real controls.
#pragma once

#include <cstdint>
#include <vector>

#include "base/text.h"
#include "platform/platform.h"
#include "platform/window_system.h"

namespace orv::platform {

using FontHandle = uintptr_t;

struct FontSpec {
  String name;
  int32_t points = 8;
  int32_t weight = 400;
  bool italic = false, underline = false, strike = false;
  int32_t quality = 2;
};

struct FontMetrics {
  int32_t height = 13;            // a line of text
  int32_t external_leading = 0;   // the gap the font wants between lines
  int32_t average_width = 6;
};

// How a window is shown: the system's SW_ values.
enum class ShowHow : uint8_t {
  Hide = 0, Normal = 1, Minimized = 2, Maximized = 3, NoActivate = 4, Show = 5, ShowNA = 8, Restore = 9,
};

// The two kinds of list a control keeps, which the system drives by
// different messages.
enum class ListKind : uint8_t { ListBox, ComboBox };

// The colour value that means "the system's default".
inline constexpr uint32_t kDefaultColor = 0xFF000000;

// What the window procedure of a script window reports to the program.
struct GuiNotice {
  enum class Kind : uint8_t { Command, Notify, Close, Escape, Size, ContextMenu, DropFiles, DefaultButton };
  Kind kind = Kind::Command;
  WindowHandle window = 0;
  int32_t control_id = 0;  // Command, Notify: the control's id
  uint32_t code = 0;       // Command, Notify: the notification; Size: the size type
  WindowHandle control = 0;
  // Size: the new client width and height; ContextMenu: the screen point
  // (-1, -1 from the keyboard); DropFiles: the client point of the drop.
  int32_t x = 0, y = 0;
  uintptr_t data = 0;  // DropFiles: the drop, released by release_drop
  // Notify from a list view: the row (-1: none) and column from 0, the
  // key of a key press, and the row's states before and after a change
  // (ListViewState bits).
  int32_t item = -1, column = 0;
  uint32_t key = 0, old_state = 0, new_state = 0;
};

// A list view row's states, as the program sees them.
enum ListViewState : uint32_t { kRowSelected = 1, kRowFocused = 2, kRowChecked = 4 };
// A list view column's width by its contents or by its header.
inline constexpr int32_t kWidthKeep = -1, kWidthAuto = -2, kWidthAutoHeader = -3;
enum class ColumnAlign : int8_t { Keep = -1, Left = 0, Right = 1, Center = 2 };
// How a list view shows its rows.
enum class ListViewMode : uint8_t { Icon = 0, Report = 1, SmallIcon = 2, List = 3, Tile = 4 };
// True when the program took the notice; `result` is then the answer.
using GuiNoticeHandler = bool (*)(const GuiNotice& notice, intptr_t& result);

class GuiSystem {
 public:
  virtual ~GuiSystem() = default;

  void set_handler(GuiNoticeHandler handler) { handler_ = handler; }

  // --- windows -----------------------------------------------------------------
  // A window of the class OrvantaGUI, at zero position and size; 0 when the
  // system refuses it. `child` makes it a child of `owner`.
  virtual WindowHandle create_window(uint32_t style, uint32_t ex_style, StringView title, WindowHandle owner);
  // A control of a script window; 0 when the system refuses it.
  virtual WindowHandle create_control(WindowHandle parent, StringView class_name, StringView text, uint32_t style,
                                      uint32_t ex_style, const WindowRect& r, int32_t id);
  // A status bar along the bottom of `parent`.
  virtual WindowHandle create_status_bar(WindowHandle parent, uint32_t style, int32_t id);
  virtual void destroy(WindowHandle window);
  virtual bool class_registered(StringView class_name);

  virtual void show(WindowHandle window, ShowHow how);
  virtual bool visible(WindowHandle window);
  virtual bool minimized(WindowHandle window);
  virtual bool maximized(WindowHandle window);
  // Position and size of a window on the screen, or of a control in its
  // parent's client area.
  virtual bool rect(WindowHandle window, WindowRect& out);
  virtual bool client_size(WindowHandle window, int32_t& width, int32_t& height);
  // The window size that gives a client area of this size, with the
  // window's styles and menu bar.
  virtual void frame_for_client(WindowHandle window, int32_t& width, int32_t& height);
  virtual bool move(WindowHandle window, const WindowRect& r, bool redraw);
  virtual void redraw(WindowHandle window);
  virtual String text(WindowHandle window);
  virtual void set_text(WindowHandle window, StringView text);
  virtual uint32_t style(WindowHandle window, bool extended);
  virtual void set_style(WindowHandle window, bool extended, uint32_t value);
  virtual bool enabled(WindowHandle window);
  virtual void enable(WindowHandle window, bool on);
  virtual void focus(WindowHandle window);
  // The focused window of the program's thread (0: none).
  virtual WindowHandle focused();
  virtual void flash(WindowHandle window, bool on) {}
  // A new owner, or with `child` a parent the window is placed inside.
  virtual void set_owner(WindowHandle window, WindowHandle owner, bool child);
  // The window sizes the user may drag the window to (-1: no limit).
  virtual void set_size_limits(WindowHandle window, int32_t min_w, int32_t min_h, int32_t max_w, int32_t max_h) {}
  virtual void set_topmost(WindowHandle window, bool on) {}
  // Visual styles for the control, or the classic look.
  virtual void set_theme(WindowHandle control, bool on) {}
  virtual void set_redraw(WindowHandle control, bool on) {}
  // Password characters of an Edit control (0: plain text).
  virtual void set_password_char(WindowHandle control, char16_t c) {}
  virtual void set_tab_stops(WindowHandle control, bool list_box, const std::vector<int32_t>& stops) {}
  // Whether Tab types a tab into an Edit control, and Ctrl+A selects all of it.
  virtual void set_edit_keys(WindowHandle control, bool wants_tab, bool wants_ctrl_a) {}
  virtual void make_foreground(WindowHandle window) {}
  // Tells the window of its default button (the system's dialog manager
  // asks); 0: none.
  virtual void set_default_button(WindowHandle window, WindowHandle button) {}

  // --- fonts and measures ---------------------------------------------------------
  // The system's font for message boxes and dialogs.
  virtual FontSpec default_font();
  virtual bool font_family_exists(StringView name);
  virtual FontHandle create_font(const FontSpec& spec);
  virtual void destroy_font(FontHandle font) {}
  virtual FontMetrics metrics(FontHandle font);
  // The size the text takes in the font, word-wrapped to `wrap_width` when
  // that is above 0.
  virtual void measure(FontHandle font, StringView text, int32_t wrap_width, int32_t& width, int32_t& height);
  virtual void set_font(WindowHandle window, FontHandle font, bool redraw);
  virtual int32_t dpi();
  struct Measures {
    int32_t check_mark = 13, edge = 2, vscroll_width = 17, hscroll_height = 17;
  };
  virtual Measures measures();

  // --- controls -------------------------------------------------------------------
  // A button's check: 0, 1 or 2 (indeterminate).
  virtual int32_t check_state(WindowHandle control);
  virtual void set_check_state(WindowHandle control, int32_t state);
  virtual void list_clear(WindowHandle control, ListKind kind);
  // The new item's position from 0; -1 on failure.
  virtual int32_t list_add(WindowHandle control, ListKind kind, StringView text);
  virtual int32_t list_count(WindowHandle control, ListKind kind);
  virtual String list_text(WindowHandle control, ListKind kind, int32_t index);
  // The selected item (-1: none); for a multi-select list, every one.
  virtual int32_t list_selection(WindowHandle control, ListKind kind);
  virtual void list_selections(WindowHandle control, std::vector<int32_t>& out);
  // Selects the item (-1 clears); in a multi-select list adds it to the
  // selection, or with index -1 clears the whole selection.
  virtual bool list_select(WindowHandle control, ListKind kind, int32_t index, bool multi);
  // The first item from `after` + 1 whose text starts with `prefix`, case
  // folded; -1: none.
  virtual int32_t list_find_prefix(WindowHandle control, ListKind kind, StringView prefix, int32_t after);
  virtual void set_edit_limit(WindowHandle control, int32_t characters);
  // A picture control shows an image file (or icon `icon_number` of it);
  // `width` and `height` of -1 keep the image's own, 0 takes the other's
  // ratio. They receive the size shown. False when it cannot be loaded.
  virtual bool set_picture(WindowHandle control, StringView file, int32_t icon_number, int32_t& width,
                           int32_t& height);
  virtual void set_window_colors(WindowHandle window, uint32_t window_rgb, uint32_t control_rgb) {}
  virtual void set_control_color(WindowHandle control, uint32_t rgb) {}

  // A window with scroll bars scrolls a client area of the content's size
  // (the scroll bars' ranges follow the window's size).
  virtual void set_scroll_content(WindowHandle window, int32_t width, int32_t height) {}

  // --- tab controls --------------------------------------------------------------------
  virtual void tab_clear(WindowHandle control);
  virtual void tab_add(WindowHandle control, StringView text);
  virtual int32_t tab_count(WindowHandle control);
  virtual String tab_text(WindowHandle control, int32_t index);
  virtual int32_t tab_selection(WindowHandle control);  // -1: none
  virtual void tab_select(WindowHandle control, int32_t index);
  // The part of the control its pages' controls go in, in its parent's
  // client coordinates.
  virtual bool tab_display_rect(WindowHandle control, WindowRect& out);

  // --- menu bars ----------------------------------------------------------------------
  // A key that chooses a menu item: Shift 1, Control 2, Alt 4, and the key.
  struct Accelerator {
    uint8_t modifiers = 0, vk = 0;
    uint16_t id = 0;
  };
  // Shows the menu as the window's menu bar (0: none) and makes the keys
  // choose their items while the window's controls have the focus.
  virtual void set_menu_bar(WindowHandle window, uintptr_t menu, const std::vector<Accelerator>& keys) {}
  // --- list views ----------------------------------------------------------------
  // Rows and columns count from 0. A new row goes before `row` (-1: at the
  // end); its position, or -1.
  virtual int32_t lv_insert_row(WindowHandle control, int32_t row, StringView text);
  // Row -1 deletes every row.
  virtual bool lv_delete_row(WindowHandle control, int32_t row);
  virtual int32_t lv_row_count(WindowHandle control);
  // Room for this many rows, made ahead of adding them.
  virtual void lv_reserve(WindowHandle control, int32_t rows) {}
  virtual bool lv_set_text(WindowHandle control, int32_t row, int32_t column, StringView text);
  virtual String lv_text(WindowHandle control, int32_t row, int32_t column);
  virtual uint32_t lv_state(WindowHandle control, int32_t row);
  // Sets the `mask` states of the row (-1: every row) to those of `value`.
  virtual void lv_set_state(WindowHandle control, int32_t row, uint32_t mask, uint32_t value);
  // The first row after `after` (-1: from the top) with all the `states`; -1: none.
  virtual int32_t lv_next(WindowHandle control, int32_t after, uint32_t states);
  virtual int32_t lv_selected_count(WindowHandle control);
  virtual void lv_ensure_visible(WindowHandle control, int32_t row) {}
  // The row's icon in the control's image list, from 0 (-1: none).
  virtual void lv_set_icon(WindowHandle control, int32_t row, int32_t icon) {}
  virtual int32_t lv_column_count(WindowHandle control);
  // A new column before `column`; its position, or -1.
  virtual int32_t lv_insert_column(WindowHandle control, int32_t column, StringView title, int32_t width,
                                   ColumnAlign align);
  virtual bool lv_delete_column(WindowHandle control, int32_t column);
  // A null title keeps the title.
  virtual bool lv_set_column(WindowHandle control, int32_t column, const String* title, int32_t width,
                             ColumnAlign align);
  virtual int32_t lv_column_width(WindowHandle control, int32_t column);
  // The list view's own extended styles (grid lines, check boxes, full-row selection ...).
  virtual void lv_set_extended_style(WindowHandle control, uint32_t mask, uint32_t value);
  virtual uint32_t lv_extended_style(WindowHandle control);

  // --- status bars -------------------------------------------------------------------
  // Parts by the right edges of all but the last, which takes the rest.
  virtual bool sb_set_parts(WindowHandle bar, const std::vector<int32_t>& right_edges);
  virtual int32_t sb_part_count(WindowHandle bar);
  // `style`: 0 sunken, 1 no border, 2 raised.
  virtual bool sb_set_text(WindowHandle bar, int32_t part, StringView text, int32_t style);
  virtual String sb_text(WindowHandle bar, int32_t part);

  // --- drops ------------------------------------------------------------------------
  virtual void dropped_files(uintptr_t drop, std::vector<String>& out) { out.clear(); }
  virtual void release_drop(uintptr_t drop) {}

 protected:
  GuiNoticeHandler handler_ = nullptr;

 private:
  struct Record {
    WindowHandle handle = 0, parent = 0;
    String class_name, text;
    uint32_t style = 0, ex_style = 0;
    WindowRect rect;
    int32_t check = 0, limit = 0;
    std::vector<String> items;
    std::vector<int32_t> selected;
    FontHandle font = 0;
    // A list view: its columns, and per row the cells and states; a status
    // bar: its parts' texts in `headers`.
    std::vector<String> headers;
    std::vector<int32_t> widths;
    std::vector<std::vector<String>> rows;
    std::vector<uint32_t> row_states;
    uint32_t lv_ex = 0;
  };
  std::vector<Record> records_;
  std::vector<FontSpec> fonts_;
  WindowHandle next_ = 0x10000, focus_ = 0;
  Record* find(WindowHandle window);
};

GuiSystem& gui_system();

}  // namespace orv::platform
