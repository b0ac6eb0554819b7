#include "gui/window_options.h"

#include <algorithm>

#include "base/messages.h"
#include "gui/control_layout.h"
#include "gui/gui_fonts.h"
#include "runtime/errors.h"
#include "runtime/numbers.h"
#include "runtime/scope.h"
#include "runtime/script_program.h"
#include "runtime/thread_settings.h"
#include "runtime/variable.h"
#include "platform/window_system.h"

namespace orv {

namespace {

constexpr uint32_t WS_POPUP = 0x80000000, WS_CHILD = 0x40000000, WS_DISABLED = 0x08000000,
                   WS_CAPTION = 0x00C00000, WS_BORDER = 0x00800000, WS_VSCROLL = 0x00200000,
                   WS_HSCROLL = 0x00100000, WS_SYSMENU = 0x00080000, WS_SIZEBOX = 0x00040000,
                   WS_MINIMIZEBOX = 0x00020000, WS_MAXIMIZEBOX = 0x00010000;
constexpr uint32_t WS_EX_TOPMOST = 0x8, WS_EX_TOOLWINDOW = 0x80;


Result invalid_option(StringView word) { return report_runtime_error(message(Msg::GuiInvalidOption), word); }

// "WxH" with either side optional; -1 for a side not given.
bool read_size_pair(StringView text, int32_t& w, int32_t& h) {
  w = h = -1;
  size_t x = text.find_first_of(u"xX");
  StringView a = x == StringView::npos ? text : text.substr(0, x);
  StringView b = x == StringView::npos ? StringView() : text.substr(x + 1);
  if (!a.empty()) {
    if (numeric_type_of(a) != NumType::Integer) return false;
    w = int32_t(text_to_int(a));
  }
  if (!b.empty()) {
    if (numeric_type_of(b) != NumType::Integer) return false;
    h = int32_t(text_to_int(b));
  }
  return true;
}

void apply_styles(GuiWindow& g) {
  if (!g.hwnd) return;
  platform::GuiSystem& system = platform::gui_system();
  // The visible, minimised and maximised bits are the window's own state.
  constexpr uint32_t kState = 0x10000000 | 0x20000000 | 0x01000000;
  uint32_t now = system.style(g.hwnd, false);
  system.set_style(g.hwnd, false, (g.style & ~kState) | (now & kState));
  system.set_style(g.hwnd, true, g.ex_style);
}

void apply_limits(GuiWindow& g) {
  if (!g.hwnd) return;
  auto frame = [&](int32_t w, int32_t h, int32_t& fw, int32_t& fh) {
    fw = w < 0 ? -1 : g.scale(w);
    fh = h < 0 ? -1 : g.scale(h);
    int32_t ww = std::max(fw, 0), hh = std::max(fh, 0);
    platform::gui_system().frame_for_client(g.hwnd, ww, hh);
    if (fw >= 0) fw = ww;
    if (fh >= 0) fh = hh;
  };
  int32_t a = 0, b = 0, c = 0, d = 0;
  frame(g.min_w, g.min_h, a, b);
  frame(g.max_w, g.max_h, c, d);
  platform::gui_system().set_size_limits(g.hwnd, a, b, c, d);
}

// The window an Owner or Parent option names; 0 when there is none.
platform::WindowHandle named_window(StringView name) {
  if (name.empty()) return platform::main_window();
  GuiRef other;
  if (find_gui(name, false, other) == GuiNameError::None && other) {
    bool made = false;
    if (!ensure_gui_window(*other, made)) return 0;
    return other->hwnd;
  }
  // A number of one or two digits names a script window, never a handle.
  if (numeric_type_of(name) == NumType::Integer && name.size() > 2) {
    auto h = platform::WindowHandle(text_to_int(name));
    if (h && platform::window_system().exists(h)) return h;
  }
  return 0;
}

}  // namespace

Result apply_window_options(const GuiRef& gui_ref, StringView options) {
  GuiWindow& g = *gui_ref;
  platform::GuiSystem& system = platform::gui_system();
  bool styles_changed = false, limits_changed = false;
  size_t i = 0;
  for (;;) {
    StringView word = next_word(options, i);
    if (word.empty()) break;
    StringView whole = word;
    bool on = true;
    if (word[0] == u'+' || word[0] == u'-') {
      on = word[0] == u'+';
      word = word.substr(1);
    }
    // The rest of a word that starts with `name`.
    StringView rest;
    auto starts = [&](StringView name) {
      if (!starts_with_ignore_case(word, name)) return false;
      rest = word.substr(name.size());
      return true;
    };
    auto bits = [&](uint32_t& field, uint32_t b) {
      field = on ? field | b : field & ~b;
      styles_changed = true;
    };
    if (word.empty()) continue;
    if (numeric_type_of(word) == NumType::Integer) {
      bits(g.style, uint32_t(text_to_int(word)));
    } else if ((word[0] | 0x20) == u'e' && numeric_type_of(word.substr(1)) == NumType::Integer) {
      bits(g.ex_style, uint32_t(text_to_int(word.substr(1))));
    } else if (equals_ignore_case(word, u"AlwaysOnTop")) {
      bits(g.ex_style, WS_EX_TOPMOST);
      if (g.hwnd) system.set_topmost(g.hwnd, on);
    } else if (equals_ignore_case(word, u"Border")) {
      bits(g.style, WS_BORDER);
    } else if (equals_ignore_case(word, u"Caption")) {
      bits(g.style, WS_CAPTION);
    } else if (equals_ignore_case(word, u"Disabled")) {
      bits(g.style, WS_DISABLED);
      if (g.hwnd) system.enable(g.hwnd, !on);
    } else if (equals_ignore_case(word, u"Scroll")) {
      bits(g.style, WS_HSCROLL | WS_VSCROLL);
    } else if (equals_ignore_case(word, u"HScroll")) {
      bits(g.style, WS_HSCROLL);
    } else if (equals_ignore_case(word, u"VScroll")) {
      bits(g.style, WS_VSCROLL);
    } else if (equals_ignore_case(word, u"MaximizeBox")) {
      bits(g.style, on ? WS_MAXIMIZEBOX | WS_SYSMENU : WS_MAXIMIZEBOX);
    } else if (equals_ignore_case(word, u"MinimizeBox")) {
      bits(g.style, on ? WS_MINIMIZEBOX | WS_SYSMENU : WS_MINIMIZEBOX);
    } else if (equals_ignore_case(word, u"Resize")) {
      bits(g.style, WS_SIZEBOX | WS_MAXIMIZEBOX);
    } else if (equals_ignore_case(word, u"SysMenu")) {
      bits(g.style, WS_SYSMENU);
    } else if (equals_ignore_case(word, u"ToolWindow")) {
      bits(g.ex_style, WS_EX_TOOLWINDOW);
    } else if (equals_ignore_case(word, u"Theme")) {
      g.theme = on;
    } else if (equals_ignore_case(word, u"DPIScale")) {
      g.dpi_scale = on;
    } else if (equals_ignore_case(word, u"OwnDialogs")) {
      g.own_dialogs = on;
      bool made = false;
      if (on && !ensure_gui_window(g, made)) return report_runtime_error(message(Msg::CouldNotCreateWindow));
      g_thread->dialog_owner = on ? g.hwnd : 0;
    } else if (equals_ignore_case(word, u"LastFound")) {
      bool made = false;
      if (!ensure_gui_window(g, made)) return report_runtime_error(message(Msg::CouldNotCreateWindow));
      g_thread->last_found_window = g.hwnd;
    } else if (starts(u"Delimiter")) {
      if (equals_ignore_case(rest, u"Tab")) g.delimiter = u'\t';
      else if (equals_ignore_case(rest, u"Space")) g.delimiter = u' ';
      else if (rest.size() == 1) g.delimiter = rest[0];
      else if (rest.empty() && !on) g.delimiter = u'|';
      else return invalid_option(whole);
    } else if (starts(u"Label")) {
      if (rest.size() > 255) return invalid_option(whole);
      g.has_label_prefix = on && !rest.empty();
      g.label_prefix = String(rest);
      if (g.hwnd) find_event_handlers(g);
    } else if (starts(u"Hwnd")) {
      if (rest.empty()) return invalid_option(whole);
      bool made = false;
      if (!ensure_gui_window(g, made)) return report_runtime_error(message(Msg::CouldNotCreateWindow));
      if (!store_handle(rest, g.hwnd)) return ResultFailed;
    } else if (starts(u"MinSize") || starts(u"MaxSize")) {
      bool min = starts_with_ignore_case(word, u"Min");
      int32_t w = -1, h = -1;
      if (on && rest.empty()) {
        // The current client size, as the script's own sizes.
        int32_t cw = 0, ch = 0;
        if (g.hwnd && system.client_size(g.hwnd, cw, ch)) w = g.unscale(cw), h = g.unscale(ch);
      } else if (on && !read_size_pair(rest, w, h)) {
        return invalid_option(whole);
      }
      (min ? g.min_w : g.max_w) = w;
      (min ? g.min_h : g.max_h) = h;
      limits_changed = true;
    } else if (starts(u"Owner") || starts(u"Parent")) {
      bool parent = starts_with_ignore_case(word, u"Parent");
      platform::WindowHandle target = 0;
      if (on) {
        target = named_window(rest);
        if (!target || target == g.hwnd) return report_runtime_error(message(Msg::InvalidOwnerOrParent), whole);
      }
      g.owner = target;
      g.is_child = parent && on;
      if (parent) {
        g.style = g.is_child ? (g.style & ~WS_POPUP) | WS_CHILD : (g.style & ~WS_CHILD) | WS_POPUP;
        styles_changed = true;
      }
      if (g.hwnd) system.set_owner(g.hwnd, target, g.is_child);
    } else {
      return invalid_option(whole);
    }
  }
  if (styles_changed) apply_styles(g);
  if (limits_changed) apply_limits(g);
  return ResultDone;
}

bool parse_show_options(StringView text, ShowOptions& out, StringView& culprit) {
  size_t i = 0;
  for (;;) {
    StringView word = next_word(text, i);
    if (word.empty()) break;
    using How = ShowOptions::How;
    if (equals_ignore_case(word, u"Center")) out.center_x = out.center_y = true;
    else if (equals_ignore_case(word, u"xCenter")) out.center_x = true;
    else if (equals_ignore_case(word, u"yCenter")) out.center_y = true;
    else if (equals_ignore_case(word, u"AutoSize")) out.auto_size = true;
    else if (equals_ignore_case(word, u"Minimize")) out.how = How::Minimize;
    else if (equals_ignore_case(word, u"Maximize")) out.how = How::Maximize;
    else if (equals_ignore_case(word, u"Restore")) out.how = How::Restore;
    else if (equals_ignore_case(word, u"NoActivate")) out.how = How::NoActivate;
    else if (equals_ignore_case(word, u"NA")) out.how = How::NA;
    else if (equals_ignore_case(word, u"Hide")) out.how = How::Hide;
    else {
      char16_t c = word[0] | 0x20;
      StringView n = word.substr(1);
      if ((c != u'x' && c != u'y' && c != u'w' && c != u'h') || numeric_type_of(n) != NumType::Integer) {
        culprit = text.substr(size_t(word.data() - text.data()));
        return false;
      }
      int32_t v = int32_t(text_to_int(n));
      (c == u'x' ? out.x : c == u'y' ? out.y : c == u'w' ? out.w : out.h) = v;
    }
  }
  return true;
}

Result show_gui(const GuiRef& gui_ref, const ShowOptions& o, StringView title) {
  GuiWindow& g = *gui_ref;
  platform::GuiSystem& system = platform::gui_system();
  bool made = false;
  if (!ensure_gui_window(g, made)) return report_runtime_error(message(Msg::CouldNotCreateWindow));
  if (!title.empty()) system.set_text(g.hwnd, title);
  settle_margins(g);
  platform::WindowRect now;
  system.rect(g.hwnd, now);
  int32_t cw = 0, ch = 0;
  system.client_size(g.hwnd, cw, ch);
  bool first = !g.shown_once;
  // Sizes are of the client area; the first showing fits the controls
  // unless told otherwise.
  bool fit = o.auto_size || (first && (!o.w || !o.h));
  int32_t want_w = o.w ? g.scale(*o.w) : fit ? g.max_extent_x + g.margin_x : cw;
  int32_t want_h = o.h ? g.scale(*o.h) : fit ? g.max_extent_y + g.margin_y : ch;
  if (o.auto_size) {
    want_w = g.max_extent_x + g.margin_x;
    want_h = g.max_extent_y + g.margin_y;
  }
  bool sized = o.w || o.h || fit;
  int32_t ww = want_w, wh = want_h;
  system.frame_for_client(g.hwnd, ww, wh);
  if (!sized) ww = now.width, wh = now.height;
  platform::WindowRect to{now.x, now.y, ww, wh};
  platform::ScreenMetrics screen = platform::primary_screen();
  // A window shown for the first time without a place is centred.
  bool center_x = o.center_x || (first && !o.x), center_y = o.center_y || (first && !o.y);
  if (g.is_child) center_x = center_x && o.center_x, center_y = center_y && o.center_y;
  if (o.x) to.x = *o.x;
  else if (center_x) to.x = (screen.width - ww) / 2;
  if (o.y) to.y = *o.y;
  else if (center_y) to.y = (screen.height - wh) / 2;
  system.move(g.hwnd, to, true);
  g.shown_once = true;
  // A scrolling window scrolls over all its controls and the margin after them.
  if (g.style & (WS_HSCROLL | WS_VSCROLL))
    system.set_scroll_content(g.hwnd, g.max_extent_x + g.margin_x, g.max_extent_y + g.margin_y);

  using How = ShowOptions::How;
  platform::ShowHow how = platform::ShowHow::Show;
  switch (o.how) {
    case How::Minimize: how = platform::ShowHow::Minimized; break;
    case How::Maximize: how = platform::ShowHow::Maximized; break;
    case How::Restore: how = platform::ShowHow::Restore; break;
    case How::NoActivate: how = platform::ShowHow::NoActivate; break;
    case How::NA: how = platform::ShowHow::ShowNA; break;
    case How::Hide: return ResultDone;
    case How::Default:
      how = system.minimized(g.hwnd)   ? platform::ShowHow::Restore
            : system.maximized(g.hwnd) ? platform::ShowHow::Maximized
                                       : platform::ShowHow::Show;
      break;
  }
  system.show(g.hwnd, how);
  if (how == platform::ShowHow::Show || how == platform::ShowHow::Restore || how == platform::ShowHow::Maximized)
    system.make_foreground(g.hwnd);
  return ResultDone;
}

}  // namespace orv
