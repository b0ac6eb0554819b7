// The options of Gui Add and of GuiControl +/-: position and size words,
// the variable and handler, and the words that become a control's styles.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "base/text.h"
#include "gui/gui_window.h"

namespace orv {

// Where a coordinate is measured from.
enum class PosBase : uint8_t {
  None,      // not given
  Absolute,  // x10
  AfterPrev, // x+10: the previous control's right (or bottom) edge
  Margin,    // xm
  Prev,      // xp
  Section,   // xs
};

struct ControlOptions {
  PosBase x_base = PosBase::None, y_base = PosBase::None;
  int32_t x = 0, y = 0;         // the number after the base, unscaled
  bool x_plus_margin = false, y_plus_margin = false;  // x+m: after the previous control, one margin apart
  std::optional<int32_t> w, h;  // absolute, or added to the previous size
  bool w_prev = false, h_prev = false;
  double rows = -1;
  bool section = false;

  bool has_var = false;
  String var_name;
  bool has_handler = false;
  String handler_name;  // empty with has_handler: the handler is removed
  String hwnd_var;
  bool color_given = false;
  uint32_t color = platform::kDefaultColor;

  // Styles the words and numbers add and remove, over the type's own.
  uint32_t style_add = 0, style_remove = 0, ex_add = 0, ex_remove = 0;

  std::optional<bool> alt_submit, hidden, disabled, theme, redraw, background_trans, wants_tab, wants_ctrl_a;
  std::optional<int32_t> checked;  // 0, 1, or 2 for indeterminate
  std::optional<int32_t> choose;   // item from 1
  std::optional<int32_t> limit;    // 0: the control's width
  bool multi = false, multi_given = false;
  std::optional<char16_t> password_char;
  bool password_given = false, password_on = false;
  std::vector<int32_t> tab_stops;
  String class_name;
  int32_t icon_number = 0;  // a picture's icon in its file, from 1
  // How much of a change of the window's size the control's x, y, width
  // and height follow (AX0.5, AW1, AH1/3); `anchor_prev` takes that one
  // from the previous control (AXP).
  std::optional<double> anchor[4];
  bool anchor_prev[4] = {};

  // A list view's own extended styles, and the rows made room for ahead.
  uint32_t lv_ex_add = 0, lv_ex_remove = 0;
  std::optional<int32_t> count;
  std::optional<bool> no_sort;
};

enum class OptionError : uint8_t { None, Invalid, TooManyTabStops };

// Reads the options for a control of `type`. Each word may say + or - for
// itself; a word without a sign adds. The first word not understood goes to
// `culprit`.
OptionError parse_control_options(StringView text, ControlType type, ControlOptions& out, StringView& culprit);

// The words only list views (and, later, tree views) know; false when the
// word is none of them, else `error` tells whether its value was good.
bool view_option_word(StringView word, bool on, ControlType type, ControlOptions& o, OptionError& error);

// The styles a new control of the type starts with, before its options.
void default_control_styles(ControlType type, const ControlOptions& options, uint32_t& style, uint32_t& ex_style);
// What makes an Edit control hold several lines.
uint32_t multiline_edit_styles();

}  // namespace orv
