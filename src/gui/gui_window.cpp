#include "gui/gui_window.h"

#include <algorithm>

#include "gui/gui_fonts.h"
#include "gui/gui_menu_bar.h"
#include "runtime/func.h"
#include "runtime/function_table.h"
#include "runtime/numbers.h"
#include "runtime/process_state.h"
#include "runtime/scope.h"
#include "runtime/variable.h"
#include "runtime/script_program.h"
#include "runtime/thread_settings.h"

namespace orv {

namespace {

constexpr size_t kMaxGuiNameLength = 253;

struct TypeName {
  StringView word;
  ControlType type;
};
constexpr TypeName kTypeNames[] = {
    {u"Text", ControlType::Text}, {u"Pic", ControlType::Pic}, {u"Picture", ControlType::Pic},
    {u"GroupBox", ControlType::GroupBox}, {u"Button", ControlType::Button}, {u"Checkbox", ControlType::Checkbox},
    {u"Radio", ControlType::Radio}, {u"DDL", ControlType::DropDownList},
    {u"DropDownList", ControlType::DropDownList}, {u"ComboBox", ControlType::ComboBox},
    {u"ListBox", ControlType::ListBox}, {u"ListView", ControlType::ListView}, {u"TreeView", ControlType::TreeView},
    {u"Edit", ControlType::Edit}, {u"DateTime", ControlType::DateTime}, {u"MonthCal", ControlType::MonthCal},
    {u"Hotkey", ControlType::Hotkey}, {u"UpDown", ControlType::UpDown}, {u"Slider", ControlType::Slider},
    {u"Progress", ControlType::Progress}, {u"Tab", ControlType::Tab}, {u"Tab2", ControlType::Tab2},
    {u"Tab3", ControlType::Tab3}, {u"ActiveX", ControlType::ActiveX}, {u"Link", ControlType::Link},
    {u"Custom", ControlType::Custom}, {u"StatusBar", ControlType::StatusBar}, {u"Gui", ControlType::Gui},
};

constexpr StringView kClasses[] = {
    u"", u"Static", u"Static", u"Button", u"Button", u"Button", u"Button", u"ComboBox", u"ComboBox", u"ListBox",
    u"SysListView32", u"SysTreeView32", u"Edit", u"SysDateTimePick32", u"SysMonthCal32", u"msctls_hotkey32",
    u"msctls_updown32", u"msctls_trackbar32", u"msctls_progress32", u"SysTabControl32", u"SysTabControl32",
    u"SysTabControl32", u"AtlAxWin", u"SysLink", u"", u"msctls_statusbar32", u"OrvantaGUI",
};

constexpr StringView kEventWords[] = {u"Close", u"Escape", u"Size", u"ContextMenu", u"DropFiles"};
// The most parameters each event's function may require.
constexpr int kMostRequired[] = {1, 1, 4, 6, 5};

// A name of at most two characters that reads as an integer from 1 to 99.
bool is_ordinary_number(StringView name, int64_t& value) {
  if (numeric_type_of(name) != NumType::Integer) return false;
  value = text_to_int(name);
  return name.size() <= 2 && value >= 1 && value <= 99;
}

}  // namespace

ControlType control_type_named(StringView word) {
  for (const TypeName& t : kTypeNames)
    if (equals_ignore_case(word, t.word)) return t.type;
  return ControlType::None;
}

StringView control_class(ControlType type) { return kClasses[size_t(type)]; }

int32_t GuiWindow::scale(int32_t n) const {
  if (!dpi_scale) return n;
  int64_t dpi = platform::gui_system().dpi();
  if (dpi == 96) return n;
  // Rounded as MulDiv rounds: half away from zero.
  int64_t p = int64_t(n) * dpi;
  return int32_t(p >= 0 ? (p + 48) / 96 : -((-p + 48) / 96));
}

int32_t GuiWindow::unscale(int32_t n) const {
  if (!dpi_scale) return n;
  int64_t dpi = platform::gui_system().dpi();
  if (dpi == 96 || dpi <= 0) return n;
  int64_t p = int64_t(n) * 96;
  return int32_t(p >= 0 ? (p + dpi / 2) / dpi : -((-p + dpi / 2) / dpi));
}

GuiControl* GuiWindow::control_of(platform::WindowHandle h) {
  if (!h) return nullptr;
  for (GuiControl& c : controls)
    if (c.hwnd == h) return &c;
  return nullptr;
}

String GuiWindow::class_nn(const GuiControl& c) const {
  int64_t n = 0;
  for (const GuiControl& other : controls) {
    if (equals_ignore_case(other.class_name, c.class_name)) ++n;
    if (&other == &c) break;
  }
  return c.class_name + to_string(n);
}

GuiControl* GuiWindow::find_control(StringView id) {
  id = trim(id);
  if (id.empty()) return nullptr;
  if (numeric_type_of(id) == NumType::Integer)
    if (GuiControl* c = control_of(platform::WindowHandle(text_to_int(id)))) return c;
  for (GuiControl& c : controls)
    if (c.var && equals_ignore_case(c.var_name, id)) return &c;
  for (GuiControl& c : controls)
    if (equals_ignore_case(class_nn(c), id)) return &c;
  platform::GuiSystem& system = platform::gui_system();
  for (GuiControl& c : controls)
    if (system.text(c.hwnd) == id) return &c;
  return nullptr;
}

std::vector<GuiRef>& gui_windows() {
  static std::vector<GuiRef> list = [] {
    std::vector<GuiRef> v;
    v.reserve(8);
    return v;
  }();
  return list;
}

GuiNameError find_gui(StringView name, bool create, GuiRef& out) {
  out.reset();
  if (name.empty() || name.size() > kMaxGuiNameLength) return GuiNameError::Invalid;
  int64_t number = 0;
  if (numeric_type_of(name) == NumType::Integer && !is_ordinary_number(name, number)) {
    // Any other integer is the handle of a script window, never a name.
    auto handle = platform::WindowHandle(text_to_int(name));
    for (const GuiRef& g : gui_windows())
      if (g->hwnd && g->hwnd == handle) {
        out = g;
        return GuiNameError::None;
      }
    return GuiNameError::Invalid;
  }
  // Numbers are names by their value: "01" and "1" are one window.
  String key = number ? to_string(number) : String(name);
  for (const GuiRef& g : gui_windows())
    if (equals_ignore_case(g->name, key)) {
      out = g;
      return GuiNameError::None;
    }
  if (!create) return GuiNameError::Missing;
  out = std::make_shared<GuiWindow>();
  out->name = std::move(key);
  out->controls.reserve(1000);
  gui_windows().push_back(out);
  return GuiNameError::None;
}

GuiRef gui_of_window(platform::WindowHandle window) {
  if (!window) return nullptr;
  // A window placed in another as a control is still its own window first.
  for (const GuiRef& g : gui_windows())
    if (g->hwnd == window) return g;
  for (const GuiRef& g : gui_windows())
    if (g->control_of(window)) return g;
  return nullptr;
}

GuiRef default_gui(bool create) {
  GuiRef& d = g_thread->default_gui;
  if (d && !d->destroyed) return d;
  // A destroyed default stays the default by its name: using it again
  // makes a new window of that name.
  String name = d ? d->name : String(u"1");
  GuiRef found;
  if (find_gui(name, create, found) == GuiNameError::None) {
    if (d) d = found;
    return found;
  }
  return nullptr;
}

void set_default_gui(const GuiRef& gui) { g_thread->default_gui = gui; }

String default_gui_name() {
  const GuiRef& d = g_thread->default_gui;
  return d ? gui_display_name(*d) : String(u"1");
}

String gui_display_name(const GuiWindow& gui) { return gui.name.empty() ? handle_text(gui.hwnd) : gui.name; }

String handle_text(platform::WindowHandle h) {
  char16_t buf[24];
  size_t n = format_int(int64_t(h), IntegerFormat::HexLower, buf);
  return String(buf, n);
}

Result store_handle(StringView var_name, platform::WindowHandle h) {
  Variable* v = find_or_add_variable(*g_script, var_name);
  if (!v) return ResultFailed;
  return v->assign(handle_text(h));
}

void find_event_handlers(GuiWindow& gui) {
  String prefix = gui.has_label_prefix ? gui.label_prefix
                  : gui.name == u"1"   ? String(u"Gui")
                                       : gui.name + u"Gui";
  for (size_t i = 0; i < size_t(GuiEventWord::Count); ++i) {
    Callable& c = gui.handlers[i];
    c = Callable();
    String name = prefix + String(kEventWords[i]);
    if (Label* label = g_script->find_label(name)) {
      c.label = label;
      continue;
    }
    if (Func* f = find_function(*g_script, name); f && f->min_params <= kMostRequired[i]) c.object = ObjectRef(f);
  }
  // Files are dropped on a window only when it says it takes them.
  constexpr uint32_t WS_EX_ACCEPTFILES = 0x10;
  bool drops = !gui.handlers[size_t(GuiEventWord::DropFiles)].empty();
  gui.ex_style = drops ? gui.ex_style | WS_EX_ACCEPTFILES : gui.ex_style & ~WS_EX_ACCEPTFILES;
  if (gui.hwnd) {
    platform::GuiSystem& system = platform::gui_system();
    uint32_t ex = system.style(gui.hwnd, true);
    if (((ex & WS_EX_ACCEPTFILES) != 0) != drops)
      system.set_style(gui.hwnd, true, drops ? ex | WS_EX_ACCEPTFILES : ex & ~WS_EX_ACCEPTFILES);
  }
}

bool ensure_gui_window(GuiWindow& gui, bool& made) {
  made = false;
  if (gui.hwnd) return true;
  platform::GuiSystem& system = platform::gui_system();
  gui.hwnd = system.create_window(gui.style, gui.ex_style, g_process.script_name, gui.owner);
  if (!gui.hwnd) return false;
  made = true;
  if (gui.font == 0) gui.font = default_font_index();
  system.set_window_colors(gui.hwnd, gui.window_color, gui.control_color);
  find_event_handlers(gui);
  return true;
}

void destroy_gui(const GuiRef& gui) {
  platform::GuiSystem& system = platform::gui_system();
  if (gui->pending_drop) system.release_drop(gui->pending_drop);
  gui->pending_drop = 0;
  // Windows placed inside this one go with it: their records too.
  for (const GuiRef& g : std::vector<GuiRef>(gui_windows()))
    if (g != gui && g->is_child && g->owner && g->owner == gui->hwnd && !g->destroyed) destroy_gui(g);
  detach_gui_menu_bar(*gui);
  if (gui->hwnd) system.destroy(gui->hwnd);
  gui->hwnd = 0;
  gui->controls.clear();
  gui->destroyed = true;
  std::erase(gui_windows(), gui);
}

void destroy_all_guis() {
  while (!gui_windows().empty()) destroy_gui(gui_windows().back());
}

int32_t gui_font_points(const GuiWindow& gui) { return gui_font(gui.font).spec.points; }

}  // namespace orv
