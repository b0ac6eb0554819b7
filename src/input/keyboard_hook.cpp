#include "input/keyboard_hook.h"

#include <algorithm>
#include <memory>

#include "input/hook_events.h"
#include "input/hook_tables.h"
#include "input/hotstring_collector.h"
#include "input/key_codes.h"
#include "input/key_history.h"
#include "platform/keyboard.h"
#include "platform/input_hook.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "platform/window_system.h"

namespace orv {

namespace {

// The hook may wait for the main thread no longer than this: the system
// silently removes a low-level hook that keeps it waiting, and every
// hotkey would die with it.
constexpr uint32_t kLongestHookWaitMs = 200;

HookServices g_services;
// Used on the hook thread only (or here while no hook thread runs).
HookProcessor g_processor;
HotstringCollector g_hotstrings;
// The snapshot the hook decides by; replaced only once the hook has let go.
std::unique_ptr<HookTables> g_tables;

class PlatformActions final : public HookActions {
 public:
  void post_hotkey(uint16_t id, uint16_t variant, intptr_t info) override {
    platform::post_message(platform::main_window(), platform::program_message::kHookHotkey,
                           uintptr_t(id) | (uintptr_t(variant) << 16), info);
  }
  bool window_criterion(const HotkeyCriterion& c) override {
    return g_services.window_criterion && g_services.window_criterion(c);
  }
  bool if_expression(int32_t index, uint16_t id) override {
    intptr_t answer = 0;
    uint32_t wait = std::min(g_services.if_timeout_ms, kLongestHookWaitMs);
    return platform::send_message_timeout(platform::main_window(), kEvalIfExpressionMessage, uintptr_t(index), id, wait,
                                          answer) &&
           answer == kIfExpressionTrue;
  }
  void send_key(uint8_t vk, uint16_t sc, bool up, uintptr_t tag) override {
    platform::send_key_event(vk, sc, up, tag);
  }
  size_t key_chars(uint8_t vk, uint16_t sc, uint8_t modifiers, char16_t* out) override {
    uint8_t shift_state = uint8_t(((modifiers & (ModLShift | ModRShift)) ? 1 : 0) |
                                  ((modifiers & (ModLCtrl | ModRCtrl)) ? 2 : 0) | ((modifiers & (ModLAlt | ModRAlt)) ? 4 : 0));
    return platform::key_chars(vk, sc, shift_state, out);
  }
  bool num_lock_on() override { return platform::key_toggled(vk::NumLock); }
  void post_hotstring(const HotstringMatch& m) override {
    // The window travels in the high half of wParam: window handles carry
    // 32 significant bits on every 64-bit system.
    uintptr_t wparam = uintptr_t(m.index) | (uintptr_t(uint32_t(m.window)) << 32);
    intptr_t lparam = intptr_t(m.end_char) | (intptr_t(m.case_mode) << 16);
    platform::post_message(platform::main_window(), platform::program_message::kHotstring, wparam, lparam);
  }
};

PlatformActions g_actions;

bool on_event(const platform::RawInputEvent& raw) {
  KeyEvent e;
  e.vk = raw.vk;
  e.sc = raw.sc;
  e.key_up = raw.key_up;
  e.injected = raw.injected;
  e.extra = raw.extra;
  e.wheel_notches = raw.wheel_notches;
  e.time_ms = raw.time_ms;
  e.window = platform::window_system().foreground();
  return g_processor.process(e, g_actions) == HookVerdict::Suppress;
}

void forget_held_keys() { g_processor.reset(); }

void adopt(void* tables) { g_processor.adopt(static_cast<const HookTables*>(tables)); }

struct HotstringSetup {
  const HotstringTable* table;
  StringView end_chars;
  bool mouse_resets;
};

void adopt_hotstrings(void* data) {
  auto& setup = *static_cast<HotstringSetup*>(data);
  g_hotstrings.adopt(setup.table, setup.end_chars, setup.mouse_resets);
  g_processor.set_hotstrings(&g_hotstrings);
}

uint8_t g_installed = 0;  // the hooks in place now (platform HookBits)

struct KeyQuery {
  uint8_t vk;
  bool physical;
  bool down;
};

void copy_state(void* out) {
  auto& view = *static_cast<HookStateView*>(out);
  view.logical_modifiers = g_processor.logical_modifiers();
  view.physical_modifiers = g_processor.physical_modifiers();
  view.prefix_down = g_processor.prefix_down();
  view.history = g_processor.history();
}

void query_key(void* q) {
  auto& query = *static_cast<KeyQuery*>(q);
  query.down = query.physical ? g_processor.physically_down(query.vk) : g_processor.logically_down(query.vk);
}

}  // namespace

void set_hook_services(const HookServices& services) {
  g_services = services;
  g_processor.set_history_size(services.history_size);
}

void set_hook_hotstrings(const HotstringTable* table, StringView end_chars, bool mouse_resets) {
  HotstringSetup setup{table, end_chars, mouse_resets};
  // Before the hook thread runs this is done here and now.
  (void)platform::run_on_hook_thread(adopt_hotstrings, &setup);
}

bool hook_has_hotstrings() { return g_hotstrings.active(); }

void read_hook_state(HookStateView& view) {
  view = HookStateView();
  view.keyboard_hook = keyboard_hook_installed();
  (void)platform::run_on_hook_thread(copy_state, &view);
}

bool keyboard_hook_installed() { return g_installed & platform::KeyboardHookBit; }
bool mouse_hook_installed() { return g_installed & platform::MouseHookBit; }

bool hook_key_down(uint8_t vk, bool physical) {
  KeyQuery q{vk, physical, false};
  (void)platform::run_on_hook_thread(query_key, &q);
  return q.down;
}

bool apply_hook_state(const HotkeyTable& table, bool suspended, uint8_t needed) {
  std::unique_ptr<HookTables> fresh = build_hook_tables(table, suspended);
  if (platform::run_on_hook_thread(adopt, fresh.get())) {
    g_tables = std::move(fresh);
  } else {
    // The hook thread did not answer: it may adopt the new tables later or
    // still read the old ones, so neither may be freed.
    (void)g_tables.release();
    g_tables = std::move(fresh);
  }
  uint8_t wanted = uint8_t(((needed & NeedKeyboardHook) ? platform::KeyboardHookBit : 0) |
                           ((needed & NeedMouseHook) ? platform::MouseHookBit : 0));
  uint8_t installed = platform::set_input_hooks(wanted, on_event, forget_held_keys);
  g_installed = installed;
  return !platform::input_hooks_supported() || (installed & wanted) == wanted;
}

void remove_hooks() { g_installed = platform::set_input_hooks(0, on_event, forget_held_keys); }

}  // namespace orv
