// Commands that read a window: WinGetTitle, WinGetClass, WinGetText,
// WinGetPos and WinGet with its sub-commands. None of them changes the
// Last Found Window; with no window found the outputs are left empty.
#include "base/messages.h"
#include "runtime/error_level.h"
#include "runtime/errors.h"
#include "runtime/executor.h"
#include "runtime/scope.h"
#include "runtime/script_program.h"
#include "runtime/variable.h"
#include "windows/control_names.h"
#include "windows/window_commands.h"
#include "windows/window_styles.h"

namespace orv {

namespace {

Result assign_to(Variable* v, StringView text) { return v ? v->assign(text) : ResultDone; }
Result assign_to(Variable* v, int64_t n) { return v ? v->assign_int(n) : ResultDone; }

String file_name_of(StringView path) {
  size_t slash = path.find_last_of(u"\\/");
  return String(slash == StringView::npos ? path : path.substr(slash + 1));
}

// The controls' texts, each ending in a line break; hidden controls only
// when hidden text is detected.
String window_text(WindowHandle w) {
  platform::WindowSystem& d = desktop();
  std::vector<WindowHandle> children;
  d.descendants(w, children);
  String out;
  for (WindowHandle c : children) {
    if (!g_thread->detect_hidden_text && !d.visible(c)) continue;
    String t = d.control_text(c, !g_thread->title_match_fast);
    if (t.empty()) continue;
    out += t;
    out += u"\r\n";
  }
  return out;
}

// ClassNN names or handles, one a line.
String control_list(WindowHandle w, bool handles) {
  std::vector<WindowHandle> children;
  desktop().descendants(w, children);
  std::vector<String> names;
  if (!handles) class_nn_names(children, names);
  String out;
  for (size_t i = 0; i < children.size(); ++i) {
    if (i) out += u"\n";
    out += handles ? window_handle_text(children[i]) : names[i];
  }
  return out;
}

// The numbered variables of WinGet List live where the output variable
// lives, as StringSplit's elements do.
Result assign_list(Variable* out, const std::vector<WindowHandle>& all) {
  if (!out) return ResultDone;
  bool global = (out->scope & ScopeGlobal) != 0;
  for (size_t i = 0; i < all.size(); ++i) {
    String name = String(out->name_view()) + to_string(int64_t(i + 1));
    Variable* v = global ? find_global_or_add(*g_script, name) : find_or_add_variable(*g_script, name);
    if (!v || !v->assign(window_handle_text(all[i]))) return ResultFailed;
  }
  return out->assign_int(int64_t(all.size()));
}

}  // namespace

// WinGetTitle, OutputVar [, WinTitle, WinText, ExcludeTitle, ExcludeText];
// WinGetClass likewise.
Result cmd_win_get_title(const ScriptLine& line, ExpandedArgs& args) {
  WindowHandle w = target_window(query_of(args, 1));
  if (!w) return assign_to(args.vars[0], StringView());
  return assign_to(args.vars[0], line.action == CmdWinGetClass ? desktop().class_name(w) : desktop().title(w));
}

Result cmd_win_get_text(const ScriptLine&, ExpandedArgs& args) {
  WindowHandle w = target_window(query_of(args, 1));
  if (!w) return set_error_level(1);
  if (Result r = assign_to(args.vars[0], window_text(w)); r != ResultDone) return r;
  return set_error_level(0);
}

// WinGetPos [, X, Y, Width, Height, WinTitle, WinText, ExcludeTitle, ExcludeText]
Result cmd_win_get_pos(const ScriptLine&, ExpandedArgs& args) {
  WindowHandle w = target_window(query_of(args, 4));
  platform::WindowRect r;
  bool found = w && desktop().rect(w, r);
  const int32_t values[] = {r.x, r.y, r.width, r.height};
  for (int i = 0; i < 4; ++i) {
    Result res = found ? assign_to(args.vars[i], int64_t(values[i])) : assign_to(args.vars[i], StringView());
    if (res != ResultDone) return res;
  }
  return ResultDone;
}

// WinGet, OutputVar [, Cmd, WinTitle, WinText, ExcludeTitle, ExcludeText]
Result cmd_win_get(const ScriptLine&, ExpandedArgs& args) {
  Variable* out = args.vars[0];
  StringView cmd = trim(arg_text(args, 1));
  WindowQuery q = query_of(args, 2);
  platform::WindowSystem& d = desktop();
  auto is = [&](StringView word) { return equals_ignore_case(cmd, word); };
  if (is(u"Count") || is(u"List")) {
    std::vector<WindowHandle> all;
    list_windows(q, thread_search_context(), all);
    return is(u"Count") ? assign_to(out, int64_t(all.size())) : assign_list(out, all);
  }
  WindowHandle w = is(u"IDLast") ? find_window(q, thread_search_context(), MatchOrder::Last) : target_window(q);
  if (cmd.empty() || is(u"ID") || is(u"IDLast")) return assign_to(out, w ? window_handle_text(w) : String());
  bool known = is(u"PID") || is(u"ProcessName") || is(u"ProcessPath") || is(u"MinMax") || is(u"ControlList") ||
               is(u"ControlListHwnd") || is(u"Style") || is(u"ExStyle") || is(u"Transparent") || is(u"TransColor");
  if (!known) return report_runtime_error(message(Msg::ParamInvalid2), cmd);
  if (!w) return assign_to(out, StringView());
  if (is(u"PID")) return assign_to(out, int64_t(d.process_id(w)));
  if (is(u"ProcessName")) return assign_to(out, file_name_of(d.process_path(d.process_id(w))));
  if (is(u"ProcessPath")) return assign_to(out, d.process_path(d.process_id(w)));
  if (is(u"MinMax")) {
    platform::ShowState s = d.show_state(w);
    return assign_to(out, int64_t(s == platform::ShowState::Minimized ? -1 : s == platform::ShowState::Maximized ? 1 : 0));
  }
  if (is(u"ControlList") || is(u"ControlListHwnd")) return assign_to(out, control_list(w, is(u"ControlListHwnd")));
  if (is(u"Style") || is(u"ExStyle")) {
    return assign_to(out, style_text(is(u"Style") ? d.style(w) : d.ex_style(w)));
  }
  // Transparent and TransColor: empty unless the window is layered with that setting.
  platform::LayeredLook look;
  bool layered = d.layered_look(w, look);
  if (is(u"Transparent")) return layered && look.use_alpha ? assign_to(out, int64_t(look.alpha)) : assign_to(out, StringView());
  if (!layered || !look.use_color) return assign_to(out, StringView());
  String rgb = style_text(look.rgb);
  rgb.insert(2, String(8 - rgb.size(), u'0'));
  return assign_to(out, rgb);
}

}  // namespace orv
