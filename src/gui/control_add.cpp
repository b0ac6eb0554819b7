#include "gui/control_add.h"

#include "base/messages.h"
#include "gui/control_layout.h"
#include "gui/control_values.h"
#include "gui/gui_fonts.h"
#include "gui/gui_tabs.h"
#include "gui/list_view.h"
#include "runtime/errors.h"
#include "runtime/func.h"
#include "runtime/function_table.h"
#include "runtime/numbers.h"
#include "runtime/scope.h"
#include "runtime/script_program.h"
#include "runtime/variable.h"

namespace orv {

namespace {

constexpr uint32_t WS_VISIBLE = 0x10000000, WS_DISABLED = 0x08000000, WS_GROUP = 0x00020000;
constexpr uint32_t BS_DEFPUSHBUTTON = 0x1, BS_TYPE = 0xF, ES_AUTOHSCROLL = 0x80, ES_MULTILINE = 0x4;

Result fail(Msg id, StringView extra = {}) { return report_runtime_error(message(id), extra); }

}  // namespace

Result control_variable(GuiWindow& gui, const GuiControl* self, StringView name, Variable*& out) {
  out = nullptr;
  Variable* v = find_or_add_variable(*g_script, name);
  if (!v) return ResultFailed;
  Variable& t = v->target();
  if ((t.scope & ScopeLocal) && !(t.scope & ScopeStatic)) return fail(Msg::ControlVarNotGlobal, name);
  for (const GuiControl& c : gui.controls)
    if (&c != self && c.var == &t) return fail(Msg::ControlVarInUse, name);
  out = &t;
  return ResultDone;
}

Result control_handler(ControlType type, StringView name, Callable& out, bool& cancel) {
  out = Callable();
  cancel = false;
  if (name.empty()) return ResultDone;
  if (type == ControlType::GroupBox || type == ControlType::Progress) return fail(Msg::ControlHasNoHandler, name);
  if (equals_ignore_case(name, u"Cancel")) {
    cancel = true;
    return ResultDone;
  }
  if (Label* label = g_script->find_label(name)) {
    out.label = label;
    return ResultDone;
  }
  // A control's event passes at most four parameters.
  Func* f = find_function(*g_script, name);
  if (!f || f->min_params > 4) return fail(Msg::TargetLabelMissing, name);
  out.object = ObjectRef(f);
  return ResultDone;
}

void apply_control_states(GuiWindow& gui, GuiControl& c, const ControlOptions& o) {
  platform::GuiSystem& system = platform::gui_system();
  bool anchors_given = false;
  for (int k = 0; k < 4; ++k) {
    if (o.anchor_prev[k]) {
      // The control before this one in the window.
      size_t i = size_t(gui.index_of(c));
      c.anchor[k] = i > 0 && i <= gui.controls.size() ? gui.controls[i - 1].anchor[k] : 0;
      anchors_given = true;
    } else if (o.anchor[k]) {
      c.anchor[k] = *o.anchor[k];
      anchors_given = true;
    }
  }
  if (anchors_given) {
    c.anchored = c.anchor[0] || c.anchor[1] || c.anchor[2] || c.anchor[3];
    platform::WindowRect r;
    if (system.rect(c.hwnd, r)) c.base[0] = r.x, c.base[1] = r.y, c.base[2] = r.width, c.base[3] = r.height;
    c.base_cw = c.base_ch = 0;
    if (gui.shown_once && system.client_size(gui.hwnd, c.base_cw, c.base_ch) && (!c.base_cw || !c.base_ch))
      c.base_cw = c.base_ch = 0;
  }
  if (o.alt_submit) c.alt_submit = *o.alt_submit;
  if (o.multi_given && c.type == ControlType::ListBox) c.multi = o.multi;
  if (o.color_given) {
    c.color = o.color;
    system.set_control_color(c.hwnd, o.color);
  }
  if (o.checked) system.set_check_state(c.hwnd, *o.checked);
  if (o.choose && *o.choose > 0) choose_item(c, *o.choose, {}, false);
  if (o.limit) {
    if (*o.limit > 0) system.set_edit_limit(c.hwnd, *o.limit);
    else if (*o.limit < 0) system.set_edit_limit(c.hwnd, 0);
  }
  if (o.password_given) system.set_password_char(c.hwnd, o.password_on ? (o.password_char ? *o.password_char : u'\x25CF') : 0);
  if (!o.tab_stops.empty()) {
    std::vector<int32_t> stops;
    for (int32_t t : o.tab_stops) stops.push_back(t);
    system.set_tab_stops(c.hwnd, c.type == ControlType::ListBox, stops);
  }
  if (c.type == ControlType::Edit && (o.wants_tab || o.wants_ctrl_a)) {
    c.wants_tab = o.wants_tab.value_or(c.wants_tab);
    c.wants_ctrl_a = o.wants_ctrl_a.value_or(c.wants_ctrl_a);
    system.set_edit_keys(c.hwnd, c.wants_tab, c.wants_ctrl_a);
  }
  if (o.theme) system.set_theme(c.hwnd, *o.theme);
  if (o.redraw) system.set_redraw(c.hwnd, *o.redraw);
  if (o.disabled) system.enable(c.hwnd, !*o.disabled);
  if (o.hidden) {
    c.hidden = *o.hidden;
    system.show(c.hwnd, *o.hidden ? platform::ShowHow::Hide : platform::ShowHow::ShowNA);
  }
}

namespace {

// Another script window placed inside this one as a control, at the place
// the layout gives it and at its own size.
Result add_window_control(GuiWindow& g, const ControlOptions& o, StringView name) {
  platform::GuiSystem& system = platform::gui_system();
  GuiRef child;
  if (find_gui(trim(name), false, child) != GuiNameError::None || child.get() == &g)
    return fail(Msg::InvalidOwnerOrParent, name);
  bool made = false;
  if (!ensure_gui_window(*child, made)) return fail(Msg::CouldNotCreateWindow);
  constexpr uint32_t WS_POPUP = 0x80000000, WS_CHILD = 0x40000000;
  child->style = (child->style & ~WS_POPUP) | WS_CHILD;
  child->owner = g.hwnd;
  child->is_child = true;
  system.set_style(child->hwnd, false, (system.style(child->hwnd, false) & ~WS_POPUP) | WS_CHILD);
  system.set_owner(child->hwnd, g.hwnd, true);
  platform::WindowRect own;
  system.rect(child->hwnd, own);
  ControlRect r = place_control(g, ControlType::Gui, {}, o, 0, own.width, own.height);
  system.move(child->hwnd, {r.x, r.y, r.w, r.h}, true);
  system.show(child->hwnd, platform::ShowHow::ShowNA);
  GuiControl c;
  c.type = ControlType::Gui;
  c.class_name = u"OrvantaGUI";
  c.hwnd = child->hwnd;
  c.tab_control = g.tab_control;
  c.tab_page = g.tab_page;
  g.controls.push_back(std::move(c));
  if (!o.hwnd_var.empty() && !store_handle(o.hwnd_var, child->hwnd)) return ResultFailed;
  note_placed(g, ControlType::Gui, r, o.section, g.controls.back().tab_control != kNotInTab);
  return ResultDone;
}

}  // namespace

Result add_control(const GuiRef& gui_ref, ControlType type, StringView options, StringView text) {
  GuiWindow& g = *gui_ref;
  platform::GuiSystem& system = platform::gui_system();
  if (g.controls.size() >= kMaxControls) return fail(Msg::TooManyControls);
  if (type == ControlType::ActiveX) return fail(Msg::ActiveXNotAvailable, text);
  if (type == ControlType::StatusBar && g.status_bar) return fail(Msg::TooManyStatusBars);
  bool is_tab = type == ControlType::Tab || type == ControlType::Tab2 || type == ControlType::Tab3;
  if (is_tab && g.tab_control_count >= 255) return fail(Msg::TooManyTabControls);

  ControlOptions o;
  StringView culprit;
  if (parse_control_options(options, type, o, culprit) != OptionError::None)
    return fail(Msg::GuiInvalidOption, culprit);
  if (type == ControlType::Custom) {
    if (o.class_name.empty()) return fail(Msg::WindowClassRequired, options);
    if (!system.class_registered(o.class_name)) return fail(Msg::UnregisteredWindowClass, o.class_name);
  }
  bool made = false;
  if (!ensure_gui_window(g, made)) return fail(Msg::CouldNotCreateWindow);
  if (type == ControlType::Gui) {
    prepare_tab_placement(g);
    return add_window_control(g, o, text);
  }

  GuiControl c;
  c.type = type;
  c.class_name = String(type == ControlType::Custom ? StringView(o.class_name) : control_class(type));
  if (o.has_var && !control_variable(g, nullptr, o.var_name, c.var)) return ResultFailed;
  if (c.var) c.var_name = o.var_name;
  if (o.has_handler && !control_handler(type, o.handler_name, c.handler, c.cancel_handler)) return ResultFailed;
  c.alt_submit = o.alt_submit.value_or(false);
  c.multi = type == ControlType::ListBox && o.multi;
  c.tab_control = g.tab_control;
  c.tab_page = g.tab_page;

  uint32_t style = 0, ex = 0;
  default_control_styles(type, o, style, ex);
  // A radio begins a group after any other control, and the control after
  // the last radio of a group begins the next.
  if (!g.controls.empty() && (type == ControlType::Radio) != (g.controls.back().type == ControlType::Radio))
    style |= WS_GROUP;
  if (type == ControlType::Edit && !o.multi_given && (o.rows > 1 || text.find(u'\n') != StringView::npos))
    style |= multiline_edit_styles();
  if (o.limit && *o.limit == 0 && type == ControlType::Edit) o.style_remove |= ES_AUTOHSCROLL;
  // A second default button would make two.
  style = (style | o.style_add) & ~o.style_remove;
  ex = (ex | o.ex_add) & ~o.ex_remove;
  if (o.hidden.value_or(false)) style &= ~WS_VISIBLE;
  if (o.disabled.value_or(false)) style |= WS_DISABLED;
  bool is_default = type == ControlType::Button && (style & BS_TYPE) == BS_DEFPUSHBUTTON;
  if (is_default)
    for (GuiControl& other : g.controls)
      if (other.type == ControlType::Button && (system.style(other.hwnd, false) & BS_TYPE) == BS_DEFPUSHBUTTON)
        system.set_style(other.hwnd, false, system.style(other.hwnd, false) & ~BS_DEFPUSHBUTTON);

  bool is_list = type == ControlType::DropDownList || type == ControlType::ComboBox || type == ControlType::ListBox;
  bool holds_text = !is_list && type != ControlType::Pic && type != ControlType::ListView;
  StringView window_text = holds_text ? text : StringView();
  String edit_text;
  if (type == ControlType::Edit) window_text = edit_text = to_control_breaks(text);
  prepare_tab_placement(g);
  ControlRect r = place_control(g, type, type == ControlType::Edit ? StringView(text) : window_text, o, style);

  int32_t id = int32_t(g.controls.size()) + kFirstControlId;
  StringView class_name = type == ControlType::Custom ? StringView(o.class_name) : control_class(type);
  if (type == ControlType::StatusBar) c.hwnd = system.create_status_bar(g.hwnd, style, id);
  else c.hwnd = system.create_control(g.hwnd, class_name, window_text, style, ex, {r.x, r.y, r.w, r.h}, id);
  if (!c.hwnd) return fail(Msg::CantCreateControl);

  system.set_font(c.hwnd, gui_font(g.font).handle, false);
  uint32_t color = o.color_given ? o.color : g.text_color;
  if (color != platform::kDefaultColor) system.set_control_color(c.hwnd, color);
  c.color = color;
  if (!g.theme && !o.theme) system.set_theme(c.hwnd, false);

  g.controls.push_back(std::move(c));
  GuiControl& added = g.controls.back();
  if (is_list) set_control_contents(g, added, text, true);
  if (is_tab) fill_tabs(g, added, text);
  if (type == ControlType::ListView) {
    set_up_list_view(g, added, o, text);
    g.default_list_view = added.hwnd;
  }
  if (type == ControlType::Pic && !text.empty()) {
    // A picture is as large as its image unless the options say otherwise.
    String spec;
    if (o.w) spec += u"*w" + to_string(r.w) + u" ";
    if (o.h) spec += u"*h" + to_string(r.h) + u" ";
    if (o.icon_number) spec += u"*Icon" + to_string(o.icon_number) + u" ";
    spec += text;
    int32_t w = o.w ? r.w : -1, h = o.h ? r.h : -1;
    if (!set_control_contents(g, added, spec, true)) {
      w = h = 0;
    } else if (platform::WindowRect shown; system.rect(added.hwnd, shown)) {
      w = shown.width, h = shown.height;
    }
    r.w = w < 0 ? 0 : w;
    r.h = h < 0 ? 0 : h;
  }
  // The control may have taken another height than asked (a drop-down
  // list is as tall as its closed field): the next one goes below what shows.
  if (type != ControlType::Pic)
    if (platform::WindowRect actual; system.rect(added.hwnd, actual)) r = {actual.x, actual.y, actual.width, actual.height};
  apply_control_states(g, added, o);
  if (is_default) system.set_default_button(g.hwnd, added.hwnd);
  if (is_tab) {
    // The controls added next go to the new tab control's first page.
    g.tab_control = g.tab_control_count++;
    g.tab_page = 0;
  }
  // A control on a page that is not chosen waits hidden for its page.
  if (added.tab_control != kNotInTab)
    if (GuiControl* tab = tab_control_number(g, added.tab_control); tab && system.tab_selection(tab->hwnd) != added.tab_page)
      system.show(added.hwnd, platform::ShowHow::Hide);
  if (type == ControlType::StatusBar) g.status_bar = added.hwnd;
  if (!o.hwnd_var.empty() && !store_handle(o.hwnd_var, added.hwnd)) return ResultFailed;
  note_placed(g, type, r, o.section, added.tab_control != kNotInTab);
  return ResultDone;
}

}  // namespace orv
