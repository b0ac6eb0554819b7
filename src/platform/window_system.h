// The desktop's windows as window search and the window commands see them:
// what can be read about a window and what can be done to one. The base
// class is a desktop with no windows at all, which is what the headless
// host offers; the Win32 implementation overrides every call, and unit
// tests override the few they need with a scripted window list.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "base/text.h"
#include "platform/platform.h"

namespace orv::platform {

struct WindowRect {
  int32_t x = 0, y = 0, width = 0, height = 0;
};

enum class ZOrder : uint8_t { TopMost, NoTopMost, Top, Bottom };

// The shape a window is cut to: a polygon (at least three points), an
// ellipse or a rounded rectangle in the box x, y, width, height; None
// gives the window back its whole rectangle.
struct WindowRegion {
  enum class Kind : uint8_t { None, Polygon, Rectangle, Ellipse, Rounded } kind = Kind::None;
  std::vector<std::pair<int32_t, int32_t>> points;
  int32_t x = 0, y = 0, width = 0, height = 0, corner_width = 30, corner_height = 30;
};

// A layered window's see-through settings: a whole-window alpha and a
// colour (0xRRGGBB) drawn as transparent.
struct LayeredLook {
  bool use_alpha = false;
  uint8_t alpha = 255;
  bool use_color = false;
  uint32_t rgb = 0;
};

enum class ShowState : uint8_t { Normal, Minimized, Maximized };
enum class ShowCommand : uint8_t { Hide, Show, Minimize, ForceMinimize, Maximize, Restore };

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // --- reading ---------------------------------------------------------------
  // The top-level windows in Z order, topmost first, hidden ones included.
  virtual void top_level_windows(std::vector<WindowHandle>& out) { out.clear(); }
  // Every window below `window` (children, their children ...), hidden ones
  // included, in the order the system lists them.
  virtual void descendants(WindowHandle window, std::vector<WindowHandle>& out) { out.clear(); }
  virtual bool exists(WindowHandle window) { return false; }
  virtual bool visible(WindowHandle window) { return false; }
  // A window with the child style (a control), as opposed to a top-level one.
  virtual bool is_child(WindowHandle window) { return false; }
  virtual String title(WindowHandle window) { return String(); }
  // A control's text: the plain window-text call when `slow` is off; when on,
  // the window is asked for its text, giving up after 5 s on a hung one.
  virtual String control_text(WindowHandle window, bool slow) { return String(); }
  virtual String class_name(WindowHandle window) { return String(); }
  virtual uint32_t process_id(WindowHandle window) { return 0; }
  // The full path of the process's executable, empty when it cannot be read.
  virtual String process_path(uint32_t pid) { return String(); }
  // The window's parent, or its owner for a top-level window (0: none).
  virtual WindowHandle parent(WindowHandle window) { return 0; }
  virtual WindowHandle owner(WindowHandle window) { return 0; }
  virtual WindowHandle foreground() { return 0; }
  // The taskbar, which is what "no foreground window" looks like to activation.
  virtual WindowHandle taskbar() { return 0; }
  virtual ShowState show_state(WindowHandle window) { return ShowState::Normal; }
  // Whether a window of another thread has stopped answering messages.
  virtual bool hung(WindowHandle window) { return false; }
  // The window's thread, and whether it is the calling thread.
  virtual uint32_t thread_id(WindowHandle window) { return 0; }
  virtual uint32_t current_thread_id() { return 0; }
  virtual bool rect(WindowHandle window, WindowRect& out) { return false; }
  virtual uint32_t style(WindowHandle window) { return 0; }
  virtual uint32_t ex_style(WindowHandle window) { return 0; }

  // --- acting ----------------------------------------------------------------
  virtual bool show(WindowHandle window, ShowCommand command) { return false; }
  // One request to make `window` the foreground window; whether it took is
  // read afterwards with foreground().
  virtual void request_foreground(WindowHandle window) {}
  virtual void bring_to_top(WindowHandle window) {}
  // Joins (or separates) the input queues of two threads; false when the
  // system refuses.
  virtual bool attach_input(uint32_t from_thread, uint32_t to_thread, bool attach) { return false; }
  // Presses and releases Alt: the system then lets a program take the
  // foreground.
  virtual void tap_alt() {}
  virtual bool post_close(WindowHandle window) { return false; }
  // Sends a close request and waits at most `timeout_ms` for it to be taken.
  virtual bool send_close(WindowHandle window, uint32_t timeout_ms) { return false; }
  virtual bool terminate_process(uint32_t pid) { return false; }
  virtual bool move(WindowHandle window, const WindowRect& to) { return false; }
  virtual bool set_title(WindowHandle window, StringView title) { return false; }

  // --- controls and messages ---------------------------------------------------
  // Sends a message and waits at most `timeout_ms` for its answer, giving up
  // on a hung window; false when it was not answered.
  virtual bool send(WindowHandle window, uint32_t msg, uintptr_t wparam, intptr_t lparam, uint32_t timeout_ms,
                    intptr_t& result) { return false; }
  // The same with lParam pointing to a copy of `text` (null-terminated),
  // for the messages the system carries text for across processes.
  virtual bool send_text(WindowHandle window, uint32_t msg, uintptr_t wparam, StringView text,
                         uint32_t timeout_ms, intptr_t& result) { return false; }
  // The same with lParam pointing to a buffer of `capacity` characters;
  // `out` receives the `result` characters written.
  virtual bool send_receive(WindowHandle window, uint32_t msg, uintptr_t wparam, size_t capacity,
                            uint32_t timeout_ms, String& out) { return false; }
  // The same for messages the system does not carry across processes: the
  // buffer lives in the window's process and is read back from there.
  virtual bool send_receive_remote(WindowHandle window, uint32_t msg, uintptr_t wparam, size_t capacity,
                                   uint32_t timeout_ms, String& out) { return false; }
  virtual bool post(WindowHandle window, uint32_t msg, uintptr_t wparam, intptr_t lparam) { return false; }
  // The identifier a control reports to its parent with.
  virtual int32_t control_id(WindowHandle window) { return 0; }
  virtual bool enable(WindowHandle window, bool on) { return false; }
  virtual bool set_style(WindowHandle window, bool extended, uint32_t value) { return false; }
  // Gives the keyboard focus to a control of another thread's window.
  virtual bool focus(WindowHandle control) { return false; }
  // The control that has the focus in `window`'s thread (0: none).
  virtual WindowHandle focused(WindowHandle window) { return 0; }
  // Screen coordinates to those of `window`'s client area, in place.
  virtual bool to_client(WindowHandle window, int32_t& x, int32_t& y) { return false; }
  // The child of `window` under a point of its client area (0: none).
  virtual WindowHandle child_at(WindowHandle window, int32_t x, int32_t y) { return 0; }
  // The window (a control, when one is there) under a point of the screen.
  virtual WindowHandle window_from_point(int32_t x, int32_t y) { return 0; }

  // --- how a window sits and looks ----------------------------------------------
  virtual bool place(WindowHandle window, ZOrder where) { return false; }
  virtual bool redraw(WindowHandle window) { return false; }
  virtual bool set_region(WindowHandle window, const WindowRegion& region) { return false; }
  // False when the window is not layered.
  virtual bool layered_look(WindowHandle window, LayeredLook& out) { return false; }
  // Neither alpha nor colour: the window stops being layered.
  virtual bool set_layered_look(WindowHandle window, const LayeredLook& look) { return false; }

  // Menus as WinMenuSelectItem walks them: a window's menu bar or system
  // menu (0: none), and each item by position from 0. An item that opens
  // a submenu has it; any other has a command id (-1 for a separator).
  virtual uintptr_t menu_bar(WindowHandle window) { return 0; }
  virtual uintptr_t system_menu(WindowHandle window) { return 0; }
  virtual int menu_item_count(uintptr_t menu) { return 0; }
  virtual String menu_item_text(uintptr_t menu, int position) { return String(); }
  virtual uintptr_t submenu(uintptr_t menu, int position) { return 0; }
  virtual int32_t menu_item_id(uintptr_t menu, int position) { return -1; }
};

// The platform's desktop: Win32's real one, or the headless host's empty one.
WindowSystem& window_system();

}  // namespace orv::platform
