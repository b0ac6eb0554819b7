// The record-keeping windows and controls of the base class: what the
// headless host has. Fonts measure every character at the same width, so
// that layouts come out the same on every machine.
#include "platform/gui_system.h"

#include <algorithm>

namespace orv::platform {

namespace {

constexpr uint32_t kVisible = 0x10000000, kDisabled = 0x08000000, kMinimized = 0x20000000, kMaximized = 0x01000000;

}  // namespace

GuiSystem::Record* GuiSystem::find(WindowHandle window) {
  for (Record& r : records_)
    if (r.handle == window) return &r;
  return nullptr;
}

WindowHandle GuiSystem::create_window(uint32_t style, uint32_t ex_style, StringView title, WindowHandle owner) {
  Record r;
  r.handle = next_++;
  r.parent = owner;
  r.class_name = u"OrvantaGUI";
  r.text = String(title);
  r.style = style & ~kVisible;
  r.ex_style = ex_style;
  records_.push_back(std::move(r));
  return records_.back().handle;
}

WindowHandle GuiSystem::create_control(WindowHandle parent, StringView class_name, StringView text, uint32_t style,
                                       uint32_t ex_style, const WindowRect& rect, int32_t) {
  if (!find(parent)) return 0;
  Record r;
  r.handle = next_++;
  r.parent = parent;
  r.class_name = String(class_name);
  r.text = String(text);
  r.style = style;
  r.ex_style = ex_style;
  r.rect = rect;
  records_.push_back(std::move(r));
  return records_.back().handle;
}

WindowHandle GuiSystem::create_status_bar(WindowHandle parent, uint32_t style, int32_t id) {
  WindowRect r;
  if (Record* p = find(parent)) r = {0, p->rect.height - 20, p->rect.width, 20};
  return create_control(parent, u"msctls_statusbar32", u"", style, 0, r, id);
}

void GuiSystem::destroy(WindowHandle window) {
  std::vector<WindowHandle> gone{window};
  for (size_t i = 0; i < gone.size(); ++i)
    for (const Record& r : records_)
      if (r.parent == gone[i] && r.class_name != u"OrvantaGUI") gone.push_back(r.handle);
  std::erase_if(records_, [&](const Record& r) { return std::find(gone.begin(), gone.end(), r.handle) != gone.end(); });
  if (std::find(gone.begin(), gone.end(), focus_) != gone.end()) focus_ = 0;
}

bool GuiSystem::class_registered(StringView class_name) {
  static constexpr StringView kKnown[] = {u"Static", u"Button", u"Edit", u"ComboBox", u"ListBox", u"ScrollBar",
                                          u"SysListView32", u"SysTreeView32", u"msctls_trackbar32",
                                          u"msctls_progress32", u"RichEdit20W", u"OrvantaGUI"};
  for (StringView k : kKnown)
    if (equals_ignore_case(k, class_name)) return true;
  return false;
}

void GuiSystem::show(WindowHandle window, ShowHow how) {
  Record* r = find(window);
  if (!r) return;
  r->style &= ~(kMinimized | kMaximized);
  switch (how) {
    case ShowHow::Hide: r->style &= ~kVisible; return;
    case ShowHow::Minimized: r->style |= kMinimized; break;
    case ShowHow::Maximized: r->style |= kMaximized; break;
    default: break;
  }
  r->style |= kVisible;
}

bool GuiSystem::visible(WindowHandle window) {
  Record* r = find(window);
  return r && (r->style & kVisible);
}

bool GuiSystem::minimized(WindowHandle window) {
  Record* r = find(window);
  return r && (r->style & kMinimized);
}

bool GuiSystem::maximized(WindowHandle window) {
  Record* r = find(window);
  return r && (r->style & kMaximized);
}

bool GuiSystem::rect(WindowHandle window, WindowRect& out) {
  Record* r = find(window);
  if (!r) return false;
  out = r->rect;
  return true;
}

bool GuiSystem::client_size(WindowHandle window, int32_t& width, int32_t& height) {
  Record* r = find(window);
  if (!r) return false;
  width = r->rect.width;
  height = r->rect.height;
  if (r->class_name == u"OrvantaGUI") {
    int32_t fw = 0, fh = 0;
    frame_for_client(window, fw, fh);
    width -= fw;
    height -= fh;
  }
  return true;
}

void GuiSystem::frame_for_client(WindowHandle window, int32_t& width, int32_t& height) {
  // A caption of 20 and a border of 3 all round, for a window with a caption.
  Record* r = find(window);
  if (r && (r->style & 0x00C00000) == 0x00C00000) {
    width += 6;
    height += 26;
  }
}

bool GuiSystem::move(WindowHandle window, const WindowRect& to, bool) {
  Record* r = find(window);
  if (!r) return false;
  r->rect = to;
  return true;
}

void GuiSystem::redraw(WindowHandle) {}

String GuiSystem::text(WindowHandle window) {
  Record* r = find(window);
  return r ? r->text : String();
}

void GuiSystem::set_text(WindowHandle window, StringView text) {
  if (Record* r = find(window)) {
    r->text = String(text);
    if (r->limit > 0 && r->text.size() > size_t(r->limit)) r->text.resize(size_t(r->limit));
  }
}

uint32_t GuiSystem::style(WindowHandle window, bool extended) {
  Record* r = find(window);
  return !r ? 0 : extended ? r->ex_style : r->style;
}

void GuiSystem::set_style(WindowHandle window, bool extended, uint32_t value) {
  if (Record* r = find(window)) (extended ? r->ex_style : r->style) = value;
}

bool GuiSystem::enabled(WindowHandle window) {
  Record* r = find(window);
  return r && !(r->style & kDisabled);
}

void GuiSystem::enable(WindowHandle window, bool on) {
  if (Record* r = find(window)) r->style = on ? r->style & ~kDisabled : r->style | kDisabled;
}

void GuiSystem::focus(WindowHandle window) {
  if (find(window)) focus_ = window;
}

WindowHandle GuiSystem::focused() { return focus_; }

void GuiSystem::set_owner(WindowHandle window, WindowHandle owner, bool) {
  if (Record* r = find(window)) r->parent = owner;
}

FontSpec GuiSystem::default_font() {
  FontSpec spec;
  spec.name = u"Headless Sans";
  spec.points = 8;
  return spec;
}

bool GuiSystem::font_family_exists(StringView name) {
  return !name.empty() && (starts_with_ignore_case(name, u"Headless") || name.find(u'?') == StringView::npos);
}

FontHandle GuiSystem::create_font(const FontSpec& spec) {
  fonts_.push_back(spec);
  return FontHandle(fonts_.size());
}

FontMetrics GuiSystem::metrics(FontHandle font) {
  FontSpec spec = font > 0 && font <= fonts_.size() ? fonts_[font - 1] : default_font();
  FontMetrics m;
  m.height = (spec.points * 96 + 36) / 72 + 2;
  m.external_leading = spec.points >= 12 ? 1 : 0;
  m.average_width = std::max(1, m.height * 6 / 13);
  return m;
}

void GuiSystem::measure(FontHandle font, StringView text, int32_t wrap_width, int32_t& width, int32_t& height) {
  FontMetrics m = metrics(font);
  int32_t lines = 0, widest = 0;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(u'\n', start);
    StringView line = text.substr(start, end == StringView::npos ? StringView::npos : end - start);
    int32_t w = int32_t(line.size()) * m.average_width;
    if (wrap_width > 0 && w > wrap_width) {
      int32_t per_line = std::max(1, wrap_width / m.average_width);
      lines += (int32_t(line.size()) + per_line - 1) / per_line;
      w = per_line * m.average_width;
    } else {
      ++lines;
    }
    widest = std::max(widest, w);
    // A final line break starts no line of its own, as the system measures.
    if (end == StringView::npos || end + 1 == text.size()) break;
    start = end + 1;
  }
  width = widest;
  height = lines * m.height;
}

void GuiSystem::set_font(WindowHandle window, FontHandle font, bool) {
  if (Record* r = find(window)) r->font = font;
}

int32_t GuiSystem::dpi() { return primary_screen().dpi; }

GuiSystem::Measures GuiSystem::measures() { return Measures(); }

int32_t GuiSystem::check_state(WindowHandle control) {
  Record* r = find(control);
  return r ? r->check : 0;
}

void GuiSystem::set_check_state(WindowHandle control, int32_t state) {
  if (Record* r = find(control)) r->check = state;
}

void GuiSystem::list_clear(WindowHandle control, ListKind) {
  if (Record* r = find(control)) {
    r->items.clear();
    r->selected.clear();
  }
}

int32_t GuiSystem::list_add(WindowHandle control, ListKind, StringView text) {
  Record* r = find(control);
  if (!r) return -1;
  // The sorting styles: LBS_SORT for lists, CBS_SORT for combo boxes.
  bool sorted = r->class_name == u"ListBox" ? (r->style & 0x2) : (r->style & 0x100);
  auto at = r->items.end();
  if (sorted)
    at = std::find_if(r->items.begin(), r->items.end(), [&](const String& s) {
      return compare_ignore_case(StringView(s), text) > 0;
    });
  int32_t index = int32_t(at - r->items.begin());
  r->items.insert(at, String(text));
  for (int32_t& s : r->selected)
    if (s >= index) ++s;
  return index;
}

int32_t GuiSystem::list_count(WindowHandle control, ListKind) {
  Record* r = find(control);
  return r ? int32_t(r->items.size()) : 0;
}

String GuiSystem::list_text(WindowHandle control, ListKind, int32_t index) {
  Record* r = find(control);
  if (!r || index < 0 || size_t(index) >= r->items.size()) return String();
  return r->items[size_t(index)];
}

int32_t GuiSystem::list_selection(WindowHandle control, ListKind) {
  Record* r = find(control);
  return r && !r->selected.empty() ? r->selected.front() : -1;
}

void GuiSystem::list_selections(WindowHandle control, std::vector<int32_t>& out) {
  out.clear();
  if (Record* r = find(control)) out = r->selected;
  std::sort(out.begin(), out.end());
}

bool GuiSystem::list_select(WindowHandle control, ListKind kind, int32_t index, bool multi) {
  Record* r = find(control);
  if (!r || index >= int32_t(r->items.size())) return false;
  if (index < 0) {
    r->selected.clear();
    return true;
  }
  if (!multi) r->selected.clear();
  if (std::find(r->selected.begin(), r->selected.end(), index) == r->selected.end()) r->selected.push_back(index);
  // A combo box shows the chosen item in its edit field.
  if (kind == ListKind::ComboBox) r->text = r->items[size_t(index)];
  return true;
}

int32_t GuiSystem::list_find_prefix(WindowHandle control, ListKind, StringView prefix, int32_t after) {
  Record* r = find(control);
  if (!r) return -1;
  for (size_t i = size_t(std::max(after + 1, 0)); i < r->items.size(); ++i)
    if (starts_with_ignore_case(r->items[i], prefix)) return int32_t(i);
  return -1;
}

void GuiSystem::set_edit_limit(WindowHandle control, int32_t characters) {
  if (Record* r = find(control)) r->limit = characters;
}

bool GuiSystem::set_picture(WindowHandle control, StringView file, int32_t, int32_t& width, int32_t& height) {
  // No images here: a picture is as large as asked, or 32 pixels square.
  Record* r = find(control);
  if (!r || file.empty()) return false;
  if (width <= 0 && height <= 0) width = height = 32;
  else if (width <= 0) width = height;
  else if (height <= 0) height = width;
  r->rect.width = width;
  r->rect.height = height;
  r->text = String(file);
  return true;
}

// A tab control's pages are its items; the selection is its first selected item.
void GuiSystem::tab_clear(WindowHandle control) { list_clear(control, ListKind::ListBox); }

void GuiSystem::tab_add(WindowHandle control, StringView text) {
  if (Record* r = find(control)) r->items.emplace_back(text);
}

int32_t GuiSystem::tab_count(WindowHandle control) { return list_count(control, ListKind::ListBox); }

String GuiSystem::tab_text(WindowHandle control, int32_t index) { return list_text(control, ListKind::ListBox, index); }

int32_t GuiSystem::tab_selection(WindowHandle control) {
  Record* r = find(control);
  if (!r || r->items.empty()) return -1;
  return r->selected.empty() ? 0 : r->selected.front();
}

void GuiSystem::tab_select(WindowHandle control, int32_t index) {
  if (Record* r = find(control); r && index >= 0 && size_t(index) < r->items.size()) r->selected = {index};
}

bool GuiSystem::tab_display_rect(WindowHandle control, WindowRect& out) {
  // A row of tabs 20 high, and a border of 4 round the pages.
  Record* r = find(control);
  if (!r) return false;
  out = {r->rect.x + 4, r->rect.y + 24, r->rect.width - 8, r->rect.height - 28};
  return true;
}

}  // namespace orv::platform
