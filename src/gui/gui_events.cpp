#include "gui/gui_events.h"

#include <algorithm>

#include "events/message_pump.h"
#include "events/script_threads.h"
#include "gui/control_values.h"
#include "gui/gui_tabs.h"
#include "gui/list_view.h"
#include "objects/object_model.h"
#include "platform/menus.h"
#include "platform/messages.h"
#include "runtime/func.h"
#include "runtime/thread_settings.h"

namespace orv {

namespace {

using platform::GuiNotice;

// The message carries the event kind in bits 0-15 of wParam, the control
// index (11000: the window) in bits 16-31 and a detail in bits 32-63: a
// control event's name, the size type, or whether a context menu came
// from the keyboard.
uintptr_t pack(GuiEventKind kind, int32_t index, uint32_t detail) {
  return uintptr_t(uint8_t(kind)) | (uintptr_t(uint16_t(index)) << 16) | (uint64_t(detail) << 32);
}

void post(GuiWindow& g, GuiEventKind kind, int32_t index, uint32_t detail, intptr_t lparam) {
  platform::post_message(g.hwnd, platform::program_message::kGuiEvent, pack(kind, index, detail), lparam);
}

// Two 32-bit coordinates in one lParam.
intptr_t pack_point(int32_t x, int32_t y) { return intptr_t((uint64_t(uint32_t(x)) << 32) | uint32_t(y)); }
void unpack_point(intptr_t p, int32_t& x, int32_t& y) {
  x = int32_t(uint64_t(p) >> 32);
  y = int32_t(uint32_t(uint64_t(p)));
}

bool has(GuiWindow& g, GuiEventWord w) { return !g.handlers[size_t(w)].empty(); }

// The system's notification codes of list views (negative numbers, as it
// sends them).
enum : uint32_t {
  kClick = uint32_t(-2), kDoubleClick = uint32_t(-3), kRightClick = uint32_t(-5), kRightDoubleClick = uint32_t(-6), kSetFocus = uint32_t(-7),
  kKillFocus = uint32_t(-8), kItemChanged = uint32_t(-101), kColumnClick = uint32_t(-108),
  kBeginDrag = uint32_t(-109), kBeginRightDrag = uint32_t(-111), kKeyDown = uint32_t(-155),
  kMarqueeBegin = uint32_t(-156), kBeginLabelEdit = uint32_t(-175), kEndLabelEdit = uint32_t(-176),
};

// An item change carries which states went on and off in bits 32 and up of
// its information: S s F f C c.
constexpr char16_t kChangeLetters[] = u"SsFfCc";

uint32_t list_view_event(const GuiControl& c, const GuiNotice& n, int64_t& info) {
  int64_t row = n.item + 1;
  switch (n.code) {
    case kClick: info = row; return 1;
    case kDoubleClick: info = row; return 2;
    case kRightClick: info = row; return 3;
    case kColumnClick: info = n.column + 1; return 4;
    case kBeginLabelEdit: info = row; return u'E';
    case kEndLabelEdit: info = row; return u'e';
    case kBeginDrag: info = row; return u'D';
    case kBeginRightDrag: info = row; return u'd';
    default: break;
  }
  if (!c.alt_submit) return 0;
  switch (n.code) {
    case kSetFocus: return u'F';
    case kKillFocus: return u'f';
    case kKeyDown: info = n.key; return u'K';
    case kMarqueeBegin: return u'M';
    case kItemChanged: {
      uint32_t changed = n.old_state ^ n.new_state, letters = 0;
      const uint32_t states[] = {platform::kRowSelected, platform::kRowFocused, platform::kRowChecked};
      for (int i = 0; i < 3; ++i)
        if (changed & states[i]) letters |= (n.new_state & states[i]) ? 1u << (2 * i) : 2u << (2 * i);
      if (!letters) return 0;
      info = int64_t(uint32_t(row)) | (int64_t(letters) << 32);
      return u'I';
    }
    default: return 0;
  }
}

String change_letters(uint32_t letters) {
  String out;
  for (int i = 0; i < 6; ++i)
    if (letters & (1u << i)) out += kChangeLetters[i];
  return out;
}

// The event a control's notification stands for (0: none), and its detail.
uint32_t control_event(GuiControl& c, const GuiNotice& n, int64_t& info) {
  info = 0;
  constexpr uint32_t kClicked = 0, kButtonDoubleClicked = 5, kStaticDoubleClicked = 1, kEditChange = 0x300,
                     kSelChange = 1, kListDoubleClick = 2, kComboEditChange = 5;
  if (n.kind == GuiNotice::Kind::Notify) {
    if (c.type == ControlType::ListView) return list_view_event(c, n, info);
    if (c.type == ControlType::StatusBar) {
      // The part clicked, from 1.
      info = n.item + 1;
      return n.code == kClick ? 1 : n.code == kDoubleClick ? 2 : n.code == kRightClick ? 3
             : n.code == kRightDoubleClick ? u'R' : 0;
    }
    if (c.type != ControlType::Custom) return 0;
    info = n.code;
    return u'N';
  }
  switch (c.type) {
    case ControlType::Button:
    case ControlType::Checkbox:
    case ControlType::Radio:
      return n.code == kClicked ? 1 : n.code == kButtonDoubleClicked ? 2 : 0;
    case ControlType::Text:
    case ControlType::Pic:
      return n.code == kClicked ? 1 : n.code == kStaticDoubleClicked ? 2 : 0;
    case ControlType::Edit:
      return n.code == kEditChange ? 1 : 0;
    case ControlType::DropDownList:
    case ControlType::ComboBox:
      if (n.code == kSelChange) {
        info = platform::gui_system().list_selection(c.hwnd, platform::ListKind::ComboBox) + 1;
        return 1;
      }
      if (c.type == ControlType::ComboBox && n.code == kComboEditChange) return 1;
      return n.code == kListDoubleClick ? 2 : 0;
    case ControlType::ListBox:
      if (n.code != kSelChange && n.code != kListDoubleClick) return 0;
      info = platform::gui_system().list_selection(c.hwnd, platform::ListKind::ListBox) + 1;
      return n.code == kSelChange ? 1 : 2;
    case ControlType::Custom:
      info = n.code;
      return 1;
    default:
      return 0;
  }
}

// Anchored controls follow the window's new client size at once.
void follow_anchors(GuiWindow& g, int32_t cw, int32_t ch) {
  platform::GuiSystem& system = platform::gui_system();
  for (GuiControl& c : g.controls) {
    if (!c.anchored) continue;
    if (!c.base_cw && !c.base_ch) {
      // The first size the window shows with is the one the layout was made for.
      c.base_cw = cw, c.base_ch = ch;
      continue;
    }
    int32_t dw = cw - c.base_cw, dh = ch - c.base_ch;
    auto moved = [](int32_t base, double share, int32_t delta) { return base + int32_t(share * delta + (delta >= 0 ? 0.5 : -0.5)); };
    platform::WindowRect r{moved(c.base[0], c.anchor[0], dw), moved(c.base[1], c.anchor[1], dh),
                           moved(c.base[2], c.anchor[2], dw), moved(c.base[3], c.anchor[3], dh)};
    system.move(c.hwnd, r, true);
  }
}

bool on_notice(const GuiNotice& n, intptr_t& result) {
  GuiRef gui = gui_of_window(n.window);
  if (!gui || gui->hwnd != n.window) return false;
  GuiWindow& g = *gui;
  result = 0;
  switch (n.kind) {
    case GuiNotice::Kind::Close:
      if (has(g, GuiEventWord::Close)) post(g, GuiEventKind::Close, kNoControl, 0, 0);
      else platform::gui_system().show(g.hwnd, platform::ShowHow::Hide);
      return true;
    case GuiNotice::Kind::Escape:
      if (has(g, GuiEventWord::Escape)) post(g, GuiEventKind::Escape, kNoControl, 0, 0);
      return true;
    case GuiNotice::Kind::Size:
      if (n.code != 1) follow_anchors(g, n.x, n.y);  // not when minimised
      if (has(g, GuiEventWord::Size)) post(g, GuiEventKind::Size, kNoControl, n.code, pack_point(n.x, n.y));
      return false;  // the window still does its own sizing
    case GuiNotice::Kind::ContextMenu: {
      if (!has(g, GuiEventWord::ContextMenu)) return false;
      bool keyboard = n.x == -1 && n.y == -1;
      int32_t x = n.x, y = n.y;
      platform::WindowHandle under = n.control;
      platform::GuiSystem& system = platform::gui_system();
      if (keyboard) {
        // From the keyboard: the focused control's place stands for the mouse.
        under = system.focused();
        platform::WindowRect r;
        x = y = 0;
        if (g.control_of(under) && system.rect(under, r)) x = r.x, y = r.y + r.height / 2;
      } else if (!platform::window_system().to_client(g.hwnd, x, y) || y < 0) {
        return true;  // the title bar's own menu
      }
      GuiControl* c = g.control_of(under);
      if (!c) c = g.control_of(platform::window_system().parent(under));
      post(g, GuiEventKind::ContextMenu, c ? g.index_of(*c) : kNoControl, keyboard ? 1 : 0, pack_point(x, y));
      return true;
    }
    case GuiNotice::Kind::DropFiles: {
      platform::GuiSystem& system = platform::gui_system();
      if (!has(g, GuiEventWord::DropFiles) || g.pending_drop) {
        system.release_drop(n.data);
        return true;
      }
      g.pending_drop = n.data;
      GuiControl* c = g.control_of(n.control);
      post(g, GuiEventKind::DropFiles, c ? g.index_of(*c) : kNoControl, 0, pack_point(n.x, n.y));
      return true;
    }
    case GuiNotice::Kind::Command:
    case GuiNotice::Kind::Notify: {
      int32_t index = n.control_id - kFirstControlId;
      if (index < 0 || size_t(index) >= g.controls.size()) return false;
      GuiControl& c = g.controls[size_t(index)];
      constexpr uint32_t kTabSelChange = 0xFFFFFDD9;
      if (is_tab_type(c.type) && n.kind == GuiNotice::Kind::Notify && n.code == kTabSelChange) {
        show_tab_page(g, c);
        if (!c.handler.empty() || c.cancel_handler) post_control_event(g, c, 1, 0);
        return false;
      }
      bool taken = false;
      if (n.kind == GuiNotice::Kind::Notify && c.type == ControlType::ListView) {
        if (n.code == kColumnClick) sort_on_header_click(c, n.column);
        // The text typed into a row is kept.
        if (n.code == kEndLabelEdit) result = 1, taken = true;
      }
      if (c.handler.empty() && !c.cancel_handler) return taken;
      int64_t info = 0;
      uint32_t event = control_event(c, n, info);
      if (event) post_control_event(g, c, event, info);
      return taken;
    }
    default:
      return false;
  }
}

String event_name(uint32_t event) {
  switch (event) {
    case 1: return u"Normal";
    case 2: return u"DoubleClick";
    case 3: return u"RightClick";
    case 4: return u"ColClick";
    default: return String(1, char16_t(event));
  }
}

// How many parameters a function takes of the `offered` ones.
int parameters_for(const Callable& c, int offered) {
  if (auto* f = dynamic_cast<Func*>(c.object.get()); f && !f->variadic) return std::min(f->max_params, offered);
  return offered;
}

void launch_gui_event(uintptr_t window, uintptr_t wparam, intptr_t lparam) {
  GuiRef gui = gui_of_window(window);
  if (!gui || gui->hwnd != window) return;
  GuiWindow& g = *gui;
  platform::GuiSystem& system = platform::gui_system();
  auto kind = GuiEventKind(wparam & 0xFFFF);
  int32_t index = int32_t((wparam >> 16) & 0xFFFF);
  uint32_t detail = uint32_t(uint64_t(wparam) >> 32);
  GuiControl* control = index >= 0 && size_t(index) < g.controls.size() ? &g.controls[size_t(index)] : nullptr;

  Callable callable;
  bool* running = nullptr;
  switch (kind) {
    case GuiEventKind::Control:
      if (!control) return;
      if (control->handler.empty()) {
        if (control->cancel_handler) system.show(g.hwnd, platform::ShowHow::Hide);
        return;
      }
      if (control->handler_running) return;
      callable = control->handler;
      running = &control->handler_running;
      break;
    case GuiEventKind::DropFiles:
      callable = g.handlers[size_t(GuiEventWord::DropFiles)];
      if (callable.empty() || !g.pending_drop) {
        if (g.pending_drop) system.release_drop(g.pending_drop);
        g.pending_drop = 0;
        return;
      }
      break;
    case GuiEventKind::Close:
    case GuiEventKind::Escape:
    case GuiEventKind::Size:
    case GuiEventKind::ContextMenu: {
      GuiEventWord word = kind == GuiEventKind::Close    ? GuiEventWord::Close
                          : kind == GuiEventKind::Escape ? GuiEventWord::Escape
                          : kind == GuiEventKind::Size   ? GuiEventWord::Size
                                                         : GuiEventWord::ContextMenu;
      callable = g.handlers[size_t(word)];
      if (callable.empty()) return;
      if (kind != GuiEventKind::ContextMenu) {
        running = &g.running[size_t(word)];
        if (*running) return;
      }
      break;
    }
    default:
      return;
  }

  // The files of a drop, read whole before the drop is let go of.
  std::vector<String> files;
  if (kind == GuiEventKind::DropFiles) {
    system.dropped_files(g.pending_drop, files);
    system.release_drop(g.pending_drop);
    g.pending_drop = 0;
    if (files.empty()) return;
  }

  CommandId first = first_action(callable);
  if (!thread_gate(0, first)) return;
  LaunchedThread thread(0, first);
  g_threads.last_peek_tick = g_threads.last_rest_tick = platform::tick_count();
  ThreadSettings& t = *g_thread;
  t.gui_window = gui;
  t.default_gui = gui;
  t.last_found_window = g.hwnd;
  t.gui_control = control ? index : kNoControl;
  t.gui_name = gui_display_name(g);
  // A control is named by its variable, or else by its text.
  t.gui_control_name = !control ? String() : control->var ? control->var_name : system.text(control->hwnd);
  t.event_info = 0;
  int32_t px = 0, py = 0;
  unpack_point(lparam, px, py);

  ExprToken params[6];
  int offered = 0;
  String hwnd_text = handle_text(g.hwnd), control_text = control ? handle_text(control->hwnd) : String(), name, files_text;
  String letters;
  Ref<Object> file_list;
  switch (kind) {
    case GuiEventKind::Control: {
      t.gui_event = detail;
      t.event_info = lparam;
      name = event_name(detail);
      if (detail == u'I') {
        t.event_info = int64_t(uint32_t(uint64_t(lparam)));
        letters = change_letters(uint32_t(uint64_t(lparam) >> 32));
      }
      // The mouse's place in the window, for the handler to read.
      int32_t mx = 0, my = 0;
      if (platform::menu_system().cursor_position(mx, my) && platform::window_system().to_client(g.hwnd, mx, my))
        t.gui_x = g.unscale(mx), t.gui_y = g.unscale(my);
      params[0] = text_token(control_text);
      params[1] = text_token(name);
      params[2] = int_token(t.event_info);
      offered = 3;
      if (detail == u'I') params[3] = text_token(letters), offered = 4;
      break;
    }
    case GuiEventKind::Close:
    case GuiEventKind::Escape:
      t.gui_event = 1;
      params[0] = text_token(hwnd_text);
      offered = 1;
      break;
    case GuiEventKind::Size: {
      t.gui_event = 1;
      t.event_info = detail;
      t.gui_width = g.unscale(px);
      t.gui_height = g.unscale(py);
      params[0] = text_token(hwnd_text);
      params[1] = int_token(detail);
      params[2] = int_token(t.gui_width);
      params[3] = int_token(t.gui_height);
      offered = 4;
      break;
    }
    case GuiEventKind::ContextMenu: {
      bool mouse = detail == 0;
      t.gui_event = mouse ? 3 : 1;
      t.gui_x = g.unscale(px);
      t.gui_y = g.unscale(py);
      int64_t info = 0;
      if (control && control->type == ControlType::ListBox)
        info = system.list_selection(control->hwnd, platform::ListKind::ListBox) + 1;
      else if (control && control->type == ControlType::ListView)
        info = system.lv_next(control->hwnd, -1, platform::kRowFocused) + 1;
      t.event_info = info;
      params[0] = text_token(hwnd_text);
      params[1] = text_token(control_text);
      params[2] = int_token(info);
      params[3] = int_token(mouse ? 1 : 0);
      params[4] = int_token(t.gui_x);
      params[5] = int_token(t.gui_y);
      offered = 6;
      break;
    }
    case GuiEventKind::DropFiles: {
      t.gui_x = g.unscale(px);
      t.gui_y = g.unscale(py);
      t.event_info = int64_t(files.size());
      for (size_t i = 0; i < files.size(); ++i) {
        if (i) files_text += u'\n';
        files_text += files[i];
      }
      t.gui_event_text = files_text;
      file_list = Ref<Object>::adopt(Object::create());
      if (file_list)
        for (size_t i = 0; i < files.size(); ++i) (void)file_list->set_raw(int64_t(i + 1), text_token(files[i]));
      params[0] = text_token(hwnd_text);
      params[1] = file_list ? object_token(static_cast<IObject*>(file_list.get())) : text_token(files_text);
      params[2] = text_token(control_text);
      params[3] = int_token(t.gui_x);
      params[4] = int_token(t.gui_y);
      offered = 5;
      break;
    }
    default:
      break;
  }

  if (running) *running = true;
  if (callable.label) (void)run_callable(callable);
  else (void)run_callable(callable, params, parameters_for(callable, offered));
  // The window may be gone with its controls now.
  GuiRef still = gui_of_window(window);
  if (running && still == gui && !g.destroyed) {
    if (kind == GuiEventKind::Control) {
      if (size_t(index) < g.controls.size()) g.controls[size_t(index)].handler_running = false;
    } else {
      *running = false;
    }
  }
}

}  // namespace

void post_control_event(GuiWindow& g, GuiControl& c, uint32_t event, int64_t info) {
  post(g, GuiEventKind::Control, g.index_of(c), event, intptr_t(info));
}

void install_gui() {
  platform::gui_system().set_handler(on_notice);
  g_default_gui_name = default_gui_name;
  set_gui_event_launcher(launch_gui_event);
}

}  // namespace orv
