// Gui, [Name:]SubCommand [, Param2, Param3, Param4]: makes script windows,
// adds their controls, shows, submits and destroys them.
#include "base/messages.h"
#include "gui/control_add.h"
#include "gui/control_layout.h"
#include "gui/gui_fonts.h"
#include "gui/gui_menu_bar.h"
#include "gui/gui_tabs.h"
#include "gui/gui_submit.h"
#include "gui/window_options.h"
#include "runtime/errors.h"
#include "runtime/executor.h"
#include "runtime/numbers.h"
#include "runtime/thread_settings.h"
#include "windows/window_set_values.h"

namespace orv {

namespace {

Result fail(Msg id, StringView extra = {}) { return report_runtime_error(message(id), extra); }

enum class Sub : uint8_t {
  Options, New, Add, Show, Submit, Hide, Minimize, Maximize, Restore, Destroy, Margin, Font, Default, Color, Flash,
  Menu, Tab, ListView, TreeView,
};

constexpr struct {
  StringView word;
  Sub sub;
} kSubs[] = {
    {u"New", Sub::New}, {u"Add", Sub::Add}, {u"Show", Sub::Show}, {u"Submit", Sub::Submit},
    {u"Cancel", Sub::Hide}, {u"Hide", Sub::Hide}, {u"Minimize", Sub::Minimize}, {u"Maximize", Sub::Maximize},
    {u"Restore", Sub::Restore}, {u"Destroy", Sub::Destroy}, {u"Margin", Sub::Margin}, {u"Font", Sub::Font},
    {u"Default", Sub::Default}, {u"Color", Sub::Color}, {u"Flash", Sub::Flash}, {u"Menu", Sub::Menu},
    {u"Tab", Sub::Tab}, {u"ListView", Sub::ListView}, {u"TreeView", Sub::TreeView},
};

// The sub-commands that do nothing to a window that does not exist.
bool needs_existing(Sub s) {
  return s == Sub::Submit || s == Sub::Hide || s == Sub::Minimize || s == Sub::Maximize || s == Sub::Restore ||
         s == Sub::Flash || s == Sub::Destroy;
}

Result set_margin(GuiWindow& g, StringView x, StringView y) {
  auto one = [&](StringView text, int32_t& margin) {
    text = trim(text);
    if (text.empty()) return true;
    if (numeric_type_of(text) == NumType::NotNumeric) return false;
    margin = g.scale(int32_t(text_to_int(text)));
    return true;
  };
  if (!one(x, g.margin_x)) return fail(Msg::ParamInvalid2, x);
  if (!one(y, g.margin_y)) return fail(Msg::ParamInvalid3, y);
  return ResultDone;
}

Result set_font(GuiWindow& g, StringView options, StringView name) {
  platform::FontSpec spec = gui_font(g.font).spec;
  options = trim(options);
  name = trim(name);
  // Font without options or name goes back to the system's font.
  if (options.empty() && name.empty()) {
    g.font = default_font_index();
    g.text_color = platform::kDefaultColor;
    return ResultDone;
  }
  uint32_t color = g.text_color;
  bool color_given = false;
  StringView culprit;
  if (apply_font_options(options, spec, color, color_given, culprit) != FontError::None)
    return fail(Msg::GuiInvalidOption, culprit);
  if (!name.empty() && name.size() <= 63 && platform::gui_system().font_family_exists(name)) spec.name = String(name);
  size_t index = 0;
  switch (font_index_for(spec, index)) {
    case FontError::TooMany: return fail(Msg::TooManyFonts);
    case FontError::CantCreate: return fail(Msg::CantCreateFont);
    default: break;
  }
  g.font = index;
  if (color_given) g.text_color = color;
  return ResultDone;
}

Result set_colors(GuiWindow& g, StringView window_color, StringView control_color) {
  auto one = [](StringView text, uint32_t& out) {
    text = trim(text);
    if (text.empty()) return true;
    if (equals_ignore_case(text, u"Default")) return out = platform::kDefaultColor, true;
    return parse_color(text, out);
  };
  if (!one(window_color, g.window_color)) return fail(Msg::ParamInvalid2, window_color);
  if (!one(control_color, g.control_color)) return fail(Msg::ParamInvalid3, control_color);
  if (g.hwnd) {
    platform::gui_system().set_window_colors(g.hwnd, g.window_color, g.control_color);
    platform::gui_system().redraw(g.hwnd);
  }
  return ResultDone;
}

// Gui, Name:New: the old window of the name goes, and a fresh one takes its place.
Result new_window(StringView name, bool named, StringView options, StringView title) {
  GuiRef g;
  if (named) {
    GuiRef old;
    if (find_gui(name, false, old) == GuiNameError::None) destroy_gui(old);
    if (find_gui(name, true, g) != GuiNameError::None) return fail(Msg::InvalidGuiName, name);
  } else {
    g = std::make_shared<GuiWindow>();
    g->controls.reserve(1000);
    gui_windows().push_back(g);
  }
  if (!apply_window_options(g, options)) return ResultFailed;
  bool made = false;
  if (!ensure_gui_window(*g, made)) return fail(Msg::CouldNotCreateWindow);
  if (!title.empty()) platform::gui_system().set_text(g->hwnd, title);
  set_default_gui(g);
  return ResultDone;
}

}  // namespace

Result cmd_gui(const ScriptLine&, ExpandedArgs& args) {
  StringView sub_text = trim(arg_text(args, 0));
  StringView p2 = arg_text(args, 1), p3 = arg_text(args, 2), p4 = arg_text(args, 3);
  StringView name;
  bool named = false;
  if (!sub_text.empty() && sub_text[0] != u'+') {
    size_t colon = sub_text.find(u':');
    if (colon != StringView::npos) {
      name = trim(sub_text.substr(0, colon));
      sub_text = trim(sub_text.substr(colon + 1));
      named = true;
      if (name.empty()) return fail(Msg::InvalidGuiName, name);
    }
  }
  Sub sub = Sub::Options;
  if (!sub_text.empty() && sub_text[0] != u'+' && sub_text[0] != u'-') {
    bool found = false;
    for (const auto& s : kSubs)
      if (equals_ignore_case(sub_text, s.word)) sub = s.sub, found = true;
    if (!found) return fail(Msg::ParamInvalid1, sub_text);
  }
  if (sub == Sub::New) return new_window(name, named, trim(p2), p3);

  // +LastFoundExist finds the window without making it.
  if (sub == Sub::Options && equals_ignore_case(sub_text, u"+LastFoundExist")) {
    GuiRef g = named ? nullptr : default_gui(false);
    if (named && find_gui(name, false, g) == GuiNameError::Invalid) return fail(Msg::InvalidGuiName, name);
    g_thread->last_found_window = g && g->hwnd ? g->hwnd : 0;
    return ResultDone;
  }

  GuiRef g;
  bool create = !needs_existing(sub);
  if (named) {
    switch (find_gui(name, create, g)) {
      case GuiNameError::Invalid: return fail(Msg::InvalidGuiName, name);
      case GuiNameError::Missing: return ResultDone;
      default: break;
    }
  } else {
    g = default_gui(create);
    if (!g) return ResultDone;
  }
  if (needs_existing(sub) && !g->hwnd) return sub == Sub::Destroy ? (destroy_gui(g), ResultDone) : ResultDone;

  platform::GuiSystem& system = platform::gui_system();
  switch (sub) {
    case Sub::Options: {
      if (!apply_window_options(g, sub_text)) return ResultFailed;
      // Options with nothing else still make the window, as later commands expect.
      bool made = false;
      if (!ensure_gui_window(*g, made)) return fail(Msg::CouldNotCreateWindow);
      return ResultDone;
    }
    case Sub::Add: {
      ControlType type = control_type_named(trim(p2));
      if (type == ControlType::None) return fail(Msg::ParamInvalid2, p2);
      return add_control(g, type, p3, p4);
    }
    case Sub::Show: {
      ShowOptions o;
      StringView culprit;
      if (!parse_show_options(p2, o, culprit)) return fail(Msg::GuiInvalidOption, culprit);
      return show_gui(g, o, p3);
    }
    case Sub::Submit: {
      if (!submit_gui(*g)) return ResultFailed;
      if (!equals_ignore_case(trim(p2), u"NoHide")) system.show(g->hwnd, platform::ShowHow::Hide);
      return ResultDone;
    }
    case Sub::Hide: system.show(g->hwnd, platform::ShowHow::Hide); return ResultDone;
    case Sub::Minimize: system.show(g->hwnd, platform::ShowHow::Minimized); return ResultDone;
    case Sub::Maximize: system.show(g->hwnd, platform::ShowHow::Maximized); return ResultDone;
    case Sub::Restore: system.show(g->hwnd, platform::ShowHow::Restore); return ResultDone;
    case Sub::Flash: system.flash(g->hwnd, !equals_ignore_case(trim(p2), u"Off")); return ResultDone;
    case Sub::Destroy: destroy_gui(g); return ResultDone;
    case Sub::Margin: return set_margin(*g, p2, p3);
    case Sub::Font: return set_font(*g, p2, p3);
    case Sub::Default: set_default_gui(g); return ResultDone;
    case Sub::Color: return set_colors(*g, p2, p3);
    case Sub::Menu: return set_gui_menu_bar(*g, p2);
    case Sub::Tab: return gui_tab_command(*g, p2, p3, p4);
    case Sub::ListView:
    case Sub::TreeView: {
      ControlType want = sub == Sub::ListView ? ControlType::ListView : ControlType::TreeView;
      GuiControl* c = g->find_control(trim(p2));
      if (!c || c->type != want) return fail(Msg::ParamInvalid2, p2);
      (want == ControlType::ListView ? g->default_list_view : g->default_tree_view) = c->hwnd;
      return ResultDone;
    }
    default: return fail(Msg::ParamInvalid1, sub_text);
  }
}

}  // namespace orv
