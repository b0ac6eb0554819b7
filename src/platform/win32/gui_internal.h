// What the Win32 script windows share between their files: the class that
// implements GuiSystem, and what the program keeps per window beside the
// system's own state (colours, size limits, default button, images).
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "platform/gui_system.h"

namespace orv::platform {

class Win32Gui final : public GuiSystem {
 public:
  WindowHandle create_window(uint32_t style, uint32_t ex_style, StringView title, WindowHandle owner) override;
  WindowHandle create_control(WindowHandle parent, StringView class_name, StringView text, uint32_t style,
                              uint32_t ex_style, const WindowRect& r, int32_t id) override;
  WindowHandle create_status_bar(WindowHandle parent, uint32_t style, int32_t id) override;
  void destroy(WindowHandle window) override;
  bool class_registered(StringView class_name) override;
  void show(WindowHandle window, ShowHow how) override;
  bool visible(WindowHandle window) override;
  bool minimized(WindowHandle window) override;
  bool maximized(WindowHandle window) override;
  bool rect(WindowHandle window, WindowRect& out) override;
  bool client_size(WindowHandle window, int32_t& width, int32_t& height) override;
  void frame_for_client(WindowHandle window, int32_t& width, int32_t& height) override;
  bool move(WindowHandle window, const WindowRect& r, bool redraw) override;
  void redraw(WindowHandle window) override;
  String text(WindowHandle window) override;
  void set_text(WindowHandle window, StringView text) override;
  uint32_t style(WindowHandle window, bool extended) override;
  void set_style(WindowHandle window, bool extended, uint32_t value) override;
  bool enabled(WindowHandle window) override;
  void enable(WindowHandle window, bool on) override;
  void focus(WindowHandle window) override;
  WindowHandle focused() override;
  void flash(WindowHandle window, bool on) override;
  void set_owner(WindowHandle window, WindowHandle owner, bool child) override;
  void set_size_limits(WindowHandle window, int32_t min_w, int32_t min_h, int32_t max_w, int32_t max_h) override;
  void set_topmost(WindowHandle window, bool on) override;
  void set_theme(WindowHandle control, bool on) override;
  void set_redraw(WindowHandle control, bool on) override;
  void set_password_char(WindowHandle control, char16_t c) override;
  void set_tab_stops(WindowHandle control, bool list_box, const std::vector<int32_t>& stops) override;
  void set_edit_keys(WindowHandle control, bool wants_tab, bool wants_ctrl_a) override;
  void make_foreground(WindowHandle window) override;
  void set_default_button(WindowHandle window, WindowHandle button) override;

  FontSpec default_font() override;
  bool font_family_exists(StringView name) override;
  FontHandle create_font(const FontSpec& spec) override;
  void destroy_font(FontHandle font) override;
  FontMetrics metrics(FontHandle font) override;
  void measure(FontHandle font, StringView text, int32_t wrap_width, int32_t& width, int32_t& height) override;
  void set_font(WindowHandle window, FontHandle font, bool redraw) override;
  int32_t dpi() override;
  Measures measures() override;

  int32_t check_state(WindowHandle control) override;
  void set_check_state(WindowHandle control, int32_t state) override;
  void list_clear(WindowHandle control, ListKind kind) override;
  int32_t list_add(WindowHandle control, ListKind kind, StringView text) override;
  int32_t list_count(WindowHandle control, ListKind kind) override;
  String list_text(WindowHandle control, ListKind kind, int32_t index) override;
  int32_t list_selection(WindowHandle control, ListKind kind) override;
  void list_selections(WindowHandle control, std::vector<int32_t>& out) override;
  bool list_select(WindowHandle control, ListKind kind, int32_t index, bool multi) override;
  int32_t list_find_prefix(WindowHandle control, ListKind kind, StringView prefix, int32_t after) override;
  void set_edit_limit(WindowHandle control, int32_t characters) override;
  bool set_picture(WindowHandle control, StringView file, int32_t icon_number, int32_t& width,
                   int32_t& height) override;
  void set_window_colors(WindowHandle window, uint32_t window_rgb, uint32_t control_rgb) override;
  void set_control_color(WindowHandle control, uint32_t rgb) override;
  void set_menu_bar(WindowHandle window, uintptr_t menu, const std::vector<Accelerator>& keys) override;
  void set_scroll_content(WindowHandle window, int32_t width, int32_t height) override;
  void tab_clear(WindowHandle control) override;
  void tab_add(WindowHandle control, StringView text) override;
  int32_t tab_count(WindowHandle control) override;
  String tab_text(WindowHandle control, int32_t index) override;
  int32_t tab_selection(WindowHandle control) override;
  void tab_select(WindowHandle control, int32_t index) override;
  bool tab_display_rect(WindowHandle control, WindowRect& out) override;
  int32_t lv_insert_row(WindowHandle control, int32_t row, StringView text) override;
  bool lv_delete_row(WindowHandle control, int32_t row) override;
  int32_t lv_row_count(WindowHandle control) override;
  void lv_reserve(WindowHandle control, int32_t rows) override;
  bool lv_set_text(WindowHandle control, int32_t row, int32_t column, StringView text) override;
  String lv_text(WindowHandle control, int32_t row, int32_t column) override;
  uint32_t lv_state(WindowHandle control, int32_t row) override;
  void lv_set_state(WindowHandle control, int32_t row, uint32_t mask, uint32_t value) override;
  int32_t lv_next(WindowHandle control, int32_t after, uint32_t states) override;
  int32_t lv_selected_count(WindowHandle control) override;
  void lv_ensure_visible(WindowHandle control, int32_t row) override;
  void lv_set_icon(WindowHandle control, int32_t row, int32_t icon) override;
  int32_t lv_column_count(WindowHandle control) override;
  int32_t lv_insert_column(WindowHandle control, int32_t column, StringView title, int32_t width,
                           ColumnAlign align) override;
  bool lv_delete_column(WindowHandle control, int32_t column) override;
  bool lv_set_column(WindowHandle control, int32_t column, const String* title, int32_t width,
                     ColumnAlign align) override;
  int32_t lv_column_width(WindowHandle control, int32_t column) override;
  void lv_set_extended_style(WindowHandle control, uint32_t mask, uint32_t value) override;
  uint32_t lv_extended_style(WindowHandle control) override;
  bool sb_set_parts(WindowHandle bar, const std::vector<int32_t>& right_edges) override;
  int32_t sb_part_count(WindowHandle bar) override;
  bool sb_set_text(WindowHandle bar, int32_t part, StringView text, int32_t style) override;
  String sb_text(WindowHandle bar, int32_t part) override;
  void dropped_files(uintptr_t drop, std::vector<String>& out) override;
  void release_drop(uintptr_t drop) override;

  // The window procedure's view of the program's handler.
  bool notify(const GuiNotice& notice, intptr_t& result) { return handler_ && handler_(notice, result); }

  struct WindowState {
    COLORREF window_color = CLR_INVALID, control_color = CLR_INVALID;
    HBRUSH window_brush = nullptr, control_brush = nullptr;
    int32_t min_w = -1, min_h = -1, max_w = -1, max_h = -1;
    HWND default_button = nullptr;
    HWND last_focus = nullptr;
    HACCEL accelerators = nullptr;
    int32_t content_w = 0, content_h = 0;  // what a scrolling window scrolls over
  };
  struct ControlState {
    COLORREF text_color = CLR_INVALID;
    HANDLE image = nullptr;
    UINT image_type = 0;
    bool wants_tab = false, no_ctrl_a = false;
  };
  std::map<HWND, WindowState> windows;
  std::map<HWND, ControlState> controls;

  // Forgets (and frees) what the program kept for a window that is gone.
  void forget(HWND hwnd);
};

Win32Gui& win32_gui();

// The keyboard rules of script windows, for the message pump: true when
// the message was taken.
bool translate_gui_message(MSG* msg);

// Adds what a list view's notification says (row, column, key, states) to the notice.
void fill_list_view_notice(const NMHDR* hdr, GuiNotice& n);

}  // namespace orv::platform
