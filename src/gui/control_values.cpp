#include "gui/control_values.h"

#include <vector>

#include "gui/gui_tabs.h"
#include "runtime/numbers.h"

namespace orv {

namespace {

using platform::ListKind;

bool is_list(ControlType t) {
  return t == ControlType::DropDownList || t == ControlType::ComboBox || t == ControlType::ListBox;
}
ListKind kind_of(ControlType t) { return t == ControlType::ListBox ? ListKind::ListBox : ListKind::ComboBox; }

void fill_list(GuiWindow& gui, GuiControl& c, StringView text) {
  platform::GuiSystem& system = platform::gui_system();
  ListKind kind = kind_of(c.type);
  char16_t d = gui.delimiter;
  // A list drawn again after every item takes time that grows with its length.
  system.set_redraw(c.hwnd, false);
  if (!text.empty() && text[0] == d) {
    system.list_clear(c.hwnd, kind);
    text = text.substr(1);
  }
  size_t i = 0;
  while (i < text.size()) {
    size_t end = text.find(d, i);
    StringView item = text.substr(i, end == StringView::npos ? StringView::npos : end - i);
    int32_t at = system.list_add(c.hwnd, kind, item);
    if (end == StringView::npos) break;
    i = end + 1;
    // A doubled delimiter selects the item before it.
    if (i < text.size() && text[i] == d) {
      if (at >= 0) system.list_select(c.hwnd, kind, at, c.multi);
      ++i;
    }
  }
  system.set_redraw(c.hwnd, true);
}

bool set_picture(GuiControl& c, StringView text) {
  int32_t w = -1, h = -1, icon = 0;
  // Options before the file: *w100 *h-1 *Icon2.
  while (!text.empty() && text[0] == u'*') {
    size_t end = text.find(u' ');
    StringView word = text.substr(1, end == StringView::npos ? StringView::npos : end - 1);
    if (starts_with_ignore_case(word, u"Icon")) icon = int32_t(text_to_int(word.substr(4)));
    else if ((word.size() > 1) && (word[0] | 0x20) == u'w') w = int32_t(text_to_int(word.substr(1)));
    else if ((word.size() > 1) && (word[0] | 0x20) == u'h') h = int32_t(text_to_int(word.substr(1)));
    else break;
    text = end == StringView::npos ? StringView() : trim(text.substr(end + 1));
  }
  return platform::gui_system().set_picture(c.hwnd, text, icon, w, h);
}

String join_selection(GuiWindow& gui, GuiControl& c, bool positions) {
  platform::GuiSystem& system = platform::gui_system();
  std::vector<int32_t> picked;
  system.list_selections(c.hwnd, picked);
  String out;
  for (size_t i = 0; i < picked.size(); ++i) {
    if (i) out += gui.delimiter;
    out += positions ? to_string(picked[i] + 1) : system.list_text(c.hwnd, ListKind::ListBox, picked[i]);
  }
  return out;
}

}  // namespace

String to_control_breaks(StringView text) {
  String out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) out += u'\r';
    out += text[i];
  }
  return out;
}

String from_control_breaks(StringView text) {
  String out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')) out += text[i];
  return out;
}

bool set_control_contents(GuiWindow& gui, GuiControl& c, StringView text, bool adding) {
  platform::GuiSystem& system = platform::gui_system();
  switch (c.type) {
    case ControlType::DropDownList:
    case ControlType::ComboBox:
    case ControlType::ListBox:
      fill_list(gui, c, text);
      return true;
    case ControlType::Pic:
      return set_picture(c, text);
    case ControlType::Tab:
    case ControlType::Tab2:
    case ControlType::Tab3:
      fill_tabs(gui, c, text);
      return true;
    case ControlType::Checkbox:
    case ControlType::Radio:
      // After the control is made, a number sets the check and anything
      // else the label.
      if (!adding && numeric_type_of(text) == NumType::Integer) {
        int64_t n = text_to_int(text);
        system.set_check_state(c.hwnd, n == -1 ? 2 : n != 0 ? 1 : 0);
        return true;
      }
      system.set_text(c.hwnd, text);
      return true;
    case ControlType::Edit:
      system.set_text(c.hwnd, to_control_breaks(text));
      return true;
    default:
      system.set_text(c.hwnd, text);
      return true;
  }
}

bool read_control_value(GuiWindow& gui, GuiControl& c, bool for_submit, String& out) {
  platform::GuiSystem& system = platform::gui_system();
  out.clear();
  switch (c.type) {
    case ControlType::Checkbox:
    case ControlType::Radio: {
      int32_t state = system.check_state(c.hwnd);
      out = state == 2 ? String(u"-1") : to_string(state == 1 ? 1 : 0);
      return true;
    }
    case ControlType::DropDownList:
    case ControlType::ComboBox: {
      int32_t sel = system.list_selection(c.hwnd, ListKind::ComboBox);
      if (c.type == ControlType::ComboBox) {
        // What the user typed counts; it is a position only when it is an item.
        String typed = system.text(c.hwnd);
        if (c.alt_submit && sel >= 0 && system.list_text(c.hwnd, ListKind::ComboBox, sel) == typed)
          out = to_string(sel + 1);
        else
          out = typed;
        return true;
      }
      if (sel < 0) return true;
      out = c.alt_submit ? to_string(sel + 1) : system.list_text(c.hwnd, ListKind::ComboBox, sel);
      return true;
    }
    case ControlType::ListBox: {
      if (c.multi) {
        out = join_selection(gui, c, c.alt_submit);
        return true;
      }
      int32_t sel = system.list_selection(c.hwnd, ListKind::ListBox);
      if (sel < 0) return true;
      out = c.alt_submit ? to_string(sel + 1) : system.list_text(c.hwnd, ListKind::ListBox, sel);
      return true;
    }
    case ControlType::Edit:
      out = from_control_breaks(system.text(c.hwnd));
      return true;
    case ControlType::Tab:
    case ControlType::Tab2:
    case ControlType::Tab3: {
      int32_t sel = system.tab_selection(c.hwnd);
      if (sel >= 0) out = c.alt_submit ? to_string(sel + 1) : system.tab_text(c.hwnd, sel);
      return true;
    }
    case ControlType::Text:
    case ControlType::Pic:
    case ControlType::GroupBox:
    case ControlType::Button:
    case ControlType::Link:
    case ControlType::ListView:
    case ControlType::TreeView:
    case ControlType::StatusBar:
    case ControlType::Gui:
      if (for_submit) return false;
      out = system.text(c.hwnd);
      return true;
    default:
      out = system.text(c.hwnd);
      return true;
  }
}

bool choose_item(GuiControl& c, int32_t n, StringView text, bool by_text) {
  if (!is_list(c.type)) return false;
  platform::GuiSystem& system = platform::gui_system();
  ListKind kind = kind_of(c.type);
  int32_t index = by_text ? system.list_find_prefix(c.hwnd, kind, text, -1) : n - 1;
  if (index < 0 || index >= system.list_count(c.hwnd, kind)) return false;
  return system.list_select(c.hwnd, kind, index, c.multi);
}

}  // namespace orv
