// GuiControl, SubCommand, ControlID [, Param3] and GuiControlGet, OutputVar
// [, SubCommand, ControlID, Param4]: change and read one control of a
// script window. A window or control that does not exist sets ErrorLevel
// to 1 and makes nothing.
#include "base/messages.h"
#include "gui/control_add.h"
#include "gui/control_options.h"
#include "gui/control_values.h"
#include "gui/gui_events.h"
#include "gui/gui_fonts.h"
#include "gui/gui_tabs.h"
#include "runtime/error_level.h"
#include "runtime/errors.h"
#include "runtime/executor.h"
#include "runtime/numbers.h"
#include "runtime/scope.h"
#include "runtime/script_line.h"
#include "runtime/script_program.h"
#include "runtime/variable.h"

namespace orv {

namespace {

Result fail(Msg id, StringView extra = {}) { return report_runtime_error(message(id), extra); }

// The window a sub-command's or control's name prefix ("2:") gives, or the
// thread's default; `text` loses the prefix.
GuiRef window_for(StringView& text, bool& bad_name) {
  bad_name = false;
  size_t colon = text.find(u':');
  GuiRef g;
  if (colon == StringView::npos) return default_gui(false);
  StringView name = trim(text.substr(0, colon));
  text = trim(text.substr(colon + 1));
  if (find_gui(name, false, g) == GuiNameError::Invalid) bad_name = true;
  return g;
}

// A word with a number glued to it: Enable0 is Disable, Hide0 is Show.
bool toggle_word(StringView sub, StringView word, bool& on) {
  if (!starts_with_ignore_case(sub, word)) return false;
  StringView rest = sub.substr(word.size());
  if (rest.empty()) return on = true, true;
  if (numeric_type_of(rest) != NumType::Integer) return false;
  on = text_to_int(rest) != 0;
  return true;
}

Result move_control(GuiWindow& g, GuiControl& c, StringView words, bool redraw) {
  platform::GuiSystem& system = platform::gui_system();
  platform::WindowRect r;
  if (!system.rect(c.hwnd, r)) return set_error_level(1);
  size_t i = 0;
  while (i < words.size()) {
    while (i < words.size() && (words[i] == u' ' || words[i] == u'\t')) ++i;
    size_t start = i;
    while (i < words.size() && words[i] != u' ' && words[i] != u'\t') ++i;
    if (start == i) break;
    StringView w = words.substr(start, i - start);
    char16_t k = w[0] | 0x20;
    StringView n = w.substr(1);
    if (numeric_type_of(n) == NumType::NotNumeric) continue;
    int32_t v = g.scale(int32_t(text_to_int(n)));
    if (k == u'x') r.x = v;
    else if (k == u'y') r.y = v;
    else if (k == u'w') r.width = v;
    else if (k == u'h') r.height = v;
  }
  system.move(c.hwnd, r, true);
  if (redraw) system.redraw(c.hwnd);
  return set_error_level(0);
}

Result change_options(GuiWindow& g, GuiControl& c, StringView text) {
  platform::GuiSystem& system = platform::gui_system();
  ControlOptions o;
  StringView culprit;
  if (parse_control_options(text, c.type, o, culprit) != OptionError::None) return fail(Msg::GuiInvalidOption, culprit);
  if (o.has_var) {
    Variable* v = nullptr;
    if (!control_variable(g, &c, o.var_name, v)) return ResultFailed;
    c.var = v;
    c.var_name = o.var_name;
  }
  if (o.has_handler) {
    Callable h;
    bool cancel = false;
    if (!control_handler(c.type, o.handler_name, h, cancel)) return ResultFailed;
    c.handler = h;
    c.cancel_handler = cancel;
  }
  if (o.style_add || o.style_remove) {
    uint32_t style = system.style(c.hwnd, false);
    system.set_style(c.hwnd, false, (style | o.style_add) & ~o.style_remove);
  }
  if (o.ex_add || o.ex_remove) {
    uint32_t ex = system.style(c.hwnd, true);
    system.set_style(c.hwnd, true, (ex | o.ex_add) & ~o.ex_remove);
  }
  apply_control_states(g, c, o);
  system.redraw(c.hwnd);
  return set_error_level(0);
}

}  // namespace

Result cmd_gui_control(const ScriptLine&, ExpandedArgs& args) {
  StringView sub = trim(arg_text(args, 0)), id = trim(arg_text(args, 1)), p3 = arg_text(args, 2);
  bool bad = false;
  GuiRef g = sub.find(u':') != StringView::npos ? window_for(sub, bad) : window_for(id, bad);
  if (bad) return fail(Msg::InvalidGuiName);
  if (!g || !g->hwnd) return set_error_level(1);
  GuiControl* c = g->find_control(id);
  if (!c) return set_error_level(1);
  platform::GuiSystem& system = platform::gui_system();
  bool on = true;
  if (sub.empty()) {
    if (!set_control_contents(*g, *c, p3, false)) return set_error_level(1);
    return set_error_level(0);
  }
  if (sub[0] == u'+' || sub[0] == u'-') {
    // The options may run on in the third parameter.
    String all = String(sub) + u" " + String(p3);
    return change_options(*g, *c, all);
  }
  if (equals_ignore_case(sub, u"Text")) {
    if (c->type == ControlType::Edit) system.set_text(c->hwnd, to_control_breaks(p3));
    else system.set_text(c->hwnd, p3);
    return set_error_level(0);
  }
  if (equals_ignore_case(sub, u"Move")) return move_control(*g, *c, p3, false);
  if (equals_ignore_case(sub, u"MoveDraw")) return move_control(*g, *c, p3, true);
  if (equals_ignore_case(sub, u"Focus")) {
    system.focus(c->hwnd);
    return set_error_level(0);
  }
  if (equals_ignore_case(sub, u"Font")) {
    system.set_font(c->hwnd, gui_font(g->font).handle, true);
    if (g->text_color != platform::kDefaultColor) system.set_control_color(c->hwnd, g->text_color);
    return set_error_level(0);
  }
  if (equals_ignore_case(sub, u"Choose") || equals_ignore_case(sub, u"ChooseString")) {
    bool by_text = equals_ignore_case(sub, u"ChooseString");
    StringView what = p3;
    // A leading "|" also runs the control's handler, as a user's choice would;
    // "||" with it a second time, as a double-click would.
    int events = 0;
    while (events < 2 && !what.empty() && what[0] == u'|') ++events, what = what.substr(1);
    int32_t n = by_text || numeric_type_of(what) != NumType::Integer ? 0 : int32_t(text_to_int(what));
    if (!by_text && n < 1) return set_error_level(1);
    bool chosen = is_tab_type(c->type) ? choose_tab(*g, *c, n, what, by_text, false) : choose_item(*c, n, what, by_text);
    if (!chosen) return set_error_level(1);
    for (int e = 0; e < events; ++e) post_control_event(*g, *c, e == 0 ? 1 : 2, 0);
    return set_error_level(0);
  }
  if (toggle_word(sub, u"Enable", on) || (toggle_word(sub, u"Disable", on) && ((on = !on), true))) {
    system.enable(c->hwnd, on);
    system.redraw(c->hwnd);
    return set_error_level(0);
  }
  if (toggle_word(sub, u"Show", on) || (toggle_word(sub, u"Hide", on) && ((on = !on), true))) {
    c->hidden = !on;
    // A control of a page that is not chosen shows with its page.
    if (GuiControl* tab = c->tab_control == kNotInTab ? nullptr : tab_control_number(*g, c->tab_control);
        tab && system.tab_selection(tab->hwnd) != c->tab_page)
      on = false;
    system.show(c->hwnd, on ? platform::ShowHow::ShowNA : platform::ShowHow::Hide);
    return set_error_level(0);
  }
  return fail(Msg::ParamInvalid1, sub);
}

Result cmd_gui_control_get(const ScriptLine& line, ExpandedArgs& args) {
  Variable* out = args.vars[0];
  StringView sub = trim(arg_text(args, 1)), id = trim(arg_text(args, 2)), p4 = trim(arg_text(args, 3));
  bool bad = false;
  GuiRef g = sub.find(u':') != StringView::npos ? window_for(sub, bad) : window_for(id, bad);
  if (bad) return fail(Msg::InvalidGuiName);
  platform::GuiSystem& system = platform::gui_system();
  auto missing = [&]() -> Result {
    if (out && !equals_ignore_case(sub, u"Pos") && !out->assign_empty()) return ResultFailed;
    return set_error_level(1);
  };
  if (!g || !g->hwnd) return missing();

  if (equals_ignore_case(sub, u"Focus") || equals_ignore_case(sub, u"FocusV")) {
    GuiControl* f = g->control_of(system.focused());
    // The focus may sit in a part of a control, such as a combo box's edit field.
    if (!f) f = g->control_of(platform::window_system().parent(system.focused()));
    if (!f) return missing();
    String text = equals_ignore_case(sub, u"Focus") ? g->class_nn(*f) : f->var_name;
    if (!out->assign(text)) return ResultFailed;
    return set_error_level(0);
  }
  GuiControl* c = g->find_control(id.empty() ? StringView(out ? out->name_view() : StringView()) : id);
  if (!c) return missing();

  if (sub.empty()) {
    String value;
    if (equals_ignore_case(p4, u"Text")) value = c->type == ControlType::Edit ? from_control_breaks(system.text(c->hwnd))
                                                                              : system.text(c->hwnd);
    else read_control_value(*g, *c, false, value);
    if (!out->assign(value)) return ResultFailed;
    return set_error_level(0);
  }
  if (equals_ignore_case(sub, u"Pos")) {
    platform::WindowRect r;
    if (!system.rect(c->hwnd, r)) return set_error_level(1);
    StringView base = out ? out->name_view() : StringView();
    const int32_t values[] = {g->unscale(r.x), g->unscale(r.y), g->unscale(r.width), g->unscale(r.height)};
    const char16_t* suffix[] = {u"X", u"Y", u"W", u"H"};
    for (int i = 0; i < 4; ++i) {
      Variable* v = find_or_add_variable(*g_script, String(base) + suffix[i]);
      if (!v || !v->assign_int(values[i])) return ResultFailed;
    }
    return set_error_level(0);
  }
  if (equals_ignore_case(sub, u"Enabled")) {
    if (!out->assign_int(system.enabled(c->hwnd) ? 1 : 0)) return ResultFailed;
    return set_error_level(0);
  }
  if (equals_ignore_case(sub, u"Visible")) {
    if (!out->assign_int(system.visible(c->hwnd) ? 1 : 0)) return ResultFailed;
    return set_error_level(0);
  }
  if (equals_ignore_case(sub, u"Hwnd")) {
    if (!out->assign(handle_text(c->hwnd))) return ResultFailed;
    return set_error_level(0);
  }
  if (equals_ignore_case(sub, u"Name")) {
    if (!out->assign(c->var_name)) return ResultFailed;
    return set_error_level(0);
  }
  (void)line;
  return fail(Msg::ParamInvalid2, sub);
}

}  // namespace orv
