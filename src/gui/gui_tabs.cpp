#include "gui/gui_tabs.h"

#include "base/messages.h"
#include "gui/control_layout.h"
#include "runtime/errors.h"
#include "runtime/numbers.h"

namespace orv {

namespace {

// The page whose name starts with `text` (is `text`, with `exact`); -1: none.
int32_t find_page(const GuiControl& tab, StringView text, bool exact) {
  platform::GuiSystem& system = platform::gui_system();
  for (int32_t i = 0, n = system.tab_count(tab.hwnd); i < n; ++i) {
    String name = system.tab_text(tab.hwnd, i);
    if (exact ? equals_ignore_case(name, text) : starts_with_ignore_case(name, text)) return i;
  }
  return -1;
}

}  // namespace

void fill_tabs(GuiWindow& g, GuiControl& tab, StringView text) {
  platform::GuiSystem& system = platform::gui_system();
  char16_t d = g.delimiter;
  if (!text.empty() && text[0] == d) {
    system.tab_clear(tab.hwnd);
    text = text.substr(1);
  }
  int32_t chosen = -1;
  size_t i = 0;
  while (i < text.size()) {
    size_t end = text.find(d, i);
    system.tab_add(tab.hwnd, text.substr(i, end == StringView::npos ? StringView::npos : end - i));
    if (end == StringView::npos) break;
    i = end + 1;
    if (i < text.size() && text[i] == d) {
      chosen = system.tab_count(tab.hwnd) - 1;
      ++i;
    }
  }
  if (chosen >= 0) system.tab_select(tab.hwnd, chosen);
  show_tab_page(g, tab);
}

GuiControl* tab_control_number(GuiWindow& g, uint8_t number) {
  uint8_t n = 0;
  for (GuiControl& c : g.controls)
    if (is_tab_type(c.type) && n++ == number) return &c;
  return nullptr;
}

void show_tab_page(GuiWindow& g, GuiControl& tab) {
  platform::GuiSystem& system = platform::gui_system();
  uint8_t number = 0;
  for (GuiControl& c : g.controls) {
    if (&c == &tab) break;
    if (is_tab_type(c.type)) ++number;
  }
  int32_t page = system.tab_selection(tab.hwnd);
  for (GuiControl& c : g.controls) {
    if (c.tab_control != number) continue;
    bool shown = c.tab_page == page && !c.hidden;
    if (system.visible(c.hwnd) != shown) system.show(c.hwnd, shown ? platform::ShowHow::ShowNA : platform::ShowHow::Hide);
  }
}

bool choose_tab(GuiWindow& g, GuiControl& tab, int32_t n, StringView text, bool by_text, bool exact) {
  platform::GuiSystem& system = platform::gui_system();
  int32_t count = system.tab_count(tab.hwnd), index = -1;
  if (by_text) index = find_page(tab, text, exact);
  else if (n >= 1 && n <= count) index = n - 1;
  if (index < 0) return false;
  system.tab_select(tab.hwnd, index);
  show_tab_page(g, tab);
  return true;
}

Result gui_tab_command(GuiWindow& g, StringView page, StringView tab_number, StringView exact) {
  page = trim(page);
  tab_number = trim(tab_number);
  if (page.empty() && tab_number.empty()) {
    // The next control goes below the tab control, not below its page's last.
    if (GuiControl* tab = g.tab_control == kNotInTab ? nullptr : tab_control_number(g, g.tab_control)) {
      platform::WindowRect r;
      if (platform::gui_system().rect(tab->hwnd, r)) {
        g.prev_x = r.x, g.prev_y = r.y, g.prev_w = r.width, g.prev_h = r.height;
        g.prev_type = tab->type;
      }
    }
    g.tab_control = kNotInTab;
    return ResultDone;
  }
  uint8_t number = g.tab_control == kNotInTab ? 0 : g.tab_control;
  if (!tab_number.empty()) {
    if (numeric_type_of(tab_number) != NumType::Integer) return report_runtime_error(message(Msg::ParamInvalid3), tab_number);
    int64_t n = text_to_int(tab_number);
    if (n < 1 || n > 255) return report_runtime_error(message(Msg::ParamInvalid3), tab_number);
    number = uint8_t(n - 1);
  }
  int32_t index = 0;
  if (numeric_type_of(page) == NumType::Integer) {
    int64_t n = text_to_int(page);
    if (n < 1 || n > 256) return report_runtime_error(message(Msg::ParamInvalid2), page);
    index = int32_t(n - 1);
  } else {
    // A page named before its tab control exists cannot be found.
    GuiControl* tab = tab_control_number(g, number);
    index = tab ? find_page(*tab, page, equals_ignore_case(trim(exact), u"Exact")) : -1;
    if (index < 0) return report_runtime_error(message(Msg::TabNameMissing), page);
  }
  g.tab_control = number;
  g.tab_page = uint8_t(index);
  return ResultDone;
}

void prepare_tab_placement(GuiWindow& g) {
  if (g.tab_control == kNotInTab) return;
  for (const GuiControl& c : g.controls)
    if (c.tab_control == g.tab_control && c.tab_page == g.tab_page) return;
  GuiControl* tab = tab_control_number(g, g.tab_control);
  platform::WindowRect area;
  if (!tab || !platform::gui_system().tab_display_rect(tab->hwnd, area)) return;
  settle_margins(g);
  // Placed "below the previous control", the control lands one margin
  // inside the page's corner.
  g.prev_x = area.x + g.margin_x;
  g.prev_y = area.y;
  g.prev_h = 0;
  g.prev_w = 0;
  g.prev_type = ControlType::None;
}

}  // namespace orv
