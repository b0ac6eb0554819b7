#include "input/send_keys.h"

#include "base/messages.h"
#include "events/message_pump.h"
#include "events/script_threads.h"
#include "input/hook_events.h"
#include "input/hotkey_text.h"
#include "input/key_sender.h"
#include "input/key_codes.h"
#include "input/keyboard_hook.h"
#include "input/keyboard_layout.h"
#include "input/send_text.h"
#include "platform/input_hook.h"
#include "platform/input_sender.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "platform/window_system.h"
#include "runtime/errors.h"
#include "runtime/launch_state.h"
#include "runtime/script_program.h"

namespace orv {

uint8_t g_block_input_mode = 0;

namespace {

// A hotkey that fired this recently may still have its keys held down.
constexpr uint64_t kWinHeldForHotkeyMs = 50;

bool script_blocked_input = false;


// Event mode's waits run the message pump, with no new thread let in.
void pump_wait(int32_t ms) { pump_messages(ms, PumpMode::Wait); }

void pump_peek() {
  uint64_t now = platform::tick_count();
  if (now - g_threads.last_peek_tick <= uint64_t(g_thread->peek_interval_ms)) return;
  g_threads.last_peek_tick = now;
  if (platform::message_waiting()) pump_messages(-1, PumpMode::Wait);
}

uint8_t modifiers_down_now(platform::InputSender& sender, bool hooked) {
  uint8_t m = 0;
  for (int i = 0; i < 8; ++i)
    if (hooked ? hook_key_down(kModifierVks[i], false) : sender.key_down_now(kModifierVks[i])) m |= uint8_t(1 << i);
  return m;
}

// A hotkey holding Win that sends an L waits for Win to go up: Win+L
// would lock the workstation. The system's word that both are up ends the
// wait too: their release may never reach the hook.
void wait_for_win_release(platform::InputSender& sender) {
  auto down = [&](uint8_t key) {
    bool system = sender.key_down_now(key);
    return keyboard_hook_installed() ? system && hook_key_down(key, true) : system;
  };
  while (down(vk::LWin) || down(vk::RWin)) pump_messages(10, PumpMode::Wait);
}

}  // namespace

Delivery delivery_for(SendMode mode, bool uses_mouse) {
  platform::InputSender& sender = platform::input_sender();
  switch (mode) {
    case SendMode::Event: return Delivery::Single;
    case SendMode::Play: return Delivery::Play;
    case SendMode::Input:
    case SendMode::InputThenPlay: {
      bool other = sender.hook_of_another_program(platform::KeyboardHookBit) ||
                   (uses_mouse && sender.hook_of_another_program(platform::MouseHookBit));
      if (!other) return Delivery::Batch;
      return mode == SendMode::Input ? Delivery::Single : Delivery::Play;
    }
  }
  return Delivery::Single;
}

namespace {

// The method, delays and mask key a send goes by.
SendPlan plan_for(const ThreadSettings& t, SendMode mode, bool uses_mouse, uintptr_t target,
                  const SendOverrides& overrides) {
  SendPlan plan;
  plan.delivery = target ? Delivery::Post : delivery_for(mode, uses_mouse);
  bool fell_back = plan.delivery == Delivery::Single && mode != SendMode::Event;
  bool play = plan.delivery == Delivery::Play;
  plan.key_delay = play ? t.key_delay_play : t.key_delay;
  plan.press_duration = play ? t.key_duration_play : t.key_duration;
  plan.mouse_delay = play ? t.mouse_delay_play : t.mouse_delay;
  if (overrides.key_delay != SendOverrides::kThreadSetting) plan.key_delay = overrides.key_delay;
  if (overrides.press_duration != SendOverrides::kThreadSetting) plan.press_duration = overrides.press_duration;
  if (fell_back) {
    // Input that must go one event at a time goes as fast as it can.
    plan.press_duration = plan.key_delay < 0 && plan.press_duration < 0 ? -1 : 0;
    plan.key_delay = -1;
  }
  if (plan.delivery == Delivery::Batch || plan.delivery == Delivery::Post) {
    plan.key_delay = plan.press_duration = -1;
  }
  plan.store_capslock = t.store_capslock_mode;
  plan.hook_watches_keyboard = keyboard_hook_installed();
  if (g_script) {
    uint8_t mask = 0;
    uint16_t mask_sc = 0;
    if (key_from_name(g_script->directives.menu_mask_key, system_layout(), mask, mask_sc) && (mask || mask_sc)) {
      plan.mask_vk = mask == vk::Control ? vk::LControl : mask ? mask : vk_of_sc(system_layout(), mask_sc);
      plan.mask_sc = mask_sc;
    }
  }
  return plan;
}

}  // namespace

Result send_key_string(StringView text, bool raw, SendMode mode, uintptr_t target, const SendOverrides& overrides) {
  ThreadSettings& t = *g_thread;
  platform::InputSender& sender = platform::input_sender();
  SendText parsed = parse_send_text(text, raw);
  bool uses_mouse = !raw && find_ignore_case(text, u"{Click") != StringView::npos;
  SendPlan plan = plan_for(t, mode, uses_mouse, target, overrides);
  int32_t level = overrides.send_level != SendOverrides::kThreadSetting ? overrides.send_level : t.send_level;
  level = level < 0 ? 0 : level > 100 ? 100 : level;

  if (!target && (g_launch.firing_hotkey_modifiers & (ModLWin | ModRWin)) &&
      platform::tick_count() - g_launch.this_hotkey_tick < kWinHeldForHotkeyMs && send_text_types_l(text))
    wait_for_win_release(sender);

  if (!target) {
    plan.modifiers_down = modifiers_down_now(sender, plan.hook_watches_keyboard);
    // Without the hook nothing tells a held modifier from a stuck one: a
    // hotkey's modifiers are taken as let go of once #HotkeyModifierTimeout
    // has passed since it fired.
    int timeout = g_script ? g_script->directives.hotkey_modifier_timeout : 50;
    if (timeout >= 0 && platform::tick_count() - g_launch.this_hotkey_tick > uint64_t(timeout))
      plan.assume_released = g_launch.firing_hotkey_modifiers;
  }

  SendOutput out(sender, plan.delivery, event_tag::kLevel0 - uintptr_t(level));
  out.target = target;
  platform::WindowSystem& ws = overrides.desktop ? *overrides.desktop : platform::window_system();
  out.desktop = &ws;
  if (plan.delivery == Delivery::Single) use_pump_waits(out);
  if (plan.delivery == Delivery::Batch) (void)out.batch.reserve(500);
  if (plan.delivery == Delivery::Play) (void)out.batch.reserve(1500);

  uint32_t own_thread = 0, target_thread = 0;
  if (target) {
    own_thread = ws.current_thread_id();
    target_thread = ws.thread_id(target);
    if (target_thread == own_thread || !ws.attach_input(own_thread, target_thread, true)) target_thread = 0;
  }
  bool ready = g_threads.loaded;
  g_threads.loaded = false;  // no thread starts while keys are half sent
  {
    InputBlock block(plan.delivery == Delivery::Single && !target && (g_block_input_mode & BlockDuringSend));
    // What the thread holds down is the system's state, not a control's.
    uint8_t held = target ? 0 : t.send_held_modifiers;
    send_items(out, overrides.layout ? *overrides.layout : system_layout(), plan, parsed, held);
    if (!target) t.send_held_modifiers = held;
    out.finish();
  }
  g_threads.loaded = ready;
  if (target_thread) ws.attach_input(own_thread, target_thread, false);
  if (out.out_of_memory) return report_runtime_error(message(Msg::OutOfMemory));
  return ResultDone;
}

InputBlock::InputBlock(bool wanted) {
  if (wanted && !script_blocked_input) blocked_ = platform::input_sender().block_input(true);
}

InputBlock::~InputBlock() {
  if (blocked_ && !script_blocked_input) platform::input_sender().block_input(false);
}

void use_pump_waits(SendOutput& out) {
  out.wait = pump_wait;
  out.peek = pump_peek;
}

bool block_input_now(bool on) {
  script_blocked_input = on;
  return platform::input_sender().block_input(on);
}

}  // namespace orv
