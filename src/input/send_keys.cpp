#include "input/send_keys.h"

#include "base/messages.h"
#include "events/message_pump.h"
#include "events/script_threads.h"
#include "input/hook_events.h"
#include "input/hotkey_text.h"
#include "input/key_codes.h"
#include "input/keyboard_hook.h"
#include "input/keyboard_layout.h"
#include "input/mouse_input.h"
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

// The modifier keys in left/right bit order.
constexpr uint8_t kModifierVks[8] = {vk::LControl, vk::RControl, vk::LAlt, vk::RAlt,
                                     vk::LShift,   vk::RShift,   vk::LWin, vk::RWin};

constexpr uint8_t bit_at(int i) { return uint8_t(1 << i); }

uint8_t modifier_bit(uint8_t key, uint16_t sc) {
  if (uint8_t bit = sided_bit_of_vk(key)) return bit;
  switch (key) {
    case vk::Shift: return sc == 0x136 ? ModRShift : ModLShift;
    case vk::Control: return sc == 0x11D ? ModRCtrl : ModLCtrl;
    case vk::Alt: return sc == 0x138 ? ModRAlt : ModLAlt;
    default: return 0;
  }
}

// The modifiers a character's shift state asks for: Control with Alt is AltGr.
uint8_t modifiers_of_shift_state(uint8_t state) {
  uint8_t m = 0;
  if (state & 1) m |= ModLShift;
  if ((state & 6) == 6) return m | ModLCtrl | ModRAlt;
  if (state & 2) m |= ModLCtrl;
  if (state & 4) m |= ModLAlt;
  return m;
}

bool script_blocked_input = false;

struct SendPlan {
  Delivery delivery = Delivery::Single;
  int32_t key_delay = -1, press_duration = -1, mouse_delay = -1;
  bool store_capslock = true;
  uint8_t modifiers_down = 0;     // logically down as the send begins
  uint8_t assume_released = 0;    // the user has surely let go of these by the end
  bool hook_watches_keyboard = false;
  uint8_t mask_vk = vk::LControl;  // #MenuMaskKey
  uint16_t mask_sc = 0;
};

// One send: the key events of a read key string, with the modifiers kept
// as each key needs them.
class KeySender {
 public:
  KeySender(SendOutput& out, const KeyboardLayout& layout, const SendPlan& plan, bool blind, uint8_t& held)
      : out_(out), layout_(layout), plan_(plan), blind_(blind), held_(held), initial_(plan.modifiers_down),
        mods_(plan.modifiers_down) {}

  void send(const SendText& text);

 private:
  bool posting() const { return out_.delivery == Delivery::Post; }
  bool batching() const { return out_.delivery == Delivery::Batch || out_.delivery == Delivery::Play; }
  void key_event(uint8_t key, uint16_t sc, bool up) {
    out_.key(key, sc ? sc : sc_of_vk(layout_, key), up);
    out_.pause(up ? plan_.key_delay : plan_.press_duration);
  }
  // Down and up, the press duration between, the key delay after.
  void press(uint8_t key, uint16_t sc) {
    key_event(key, sc, false);
    key_event(key, sc, true);
    // A long count still lets the queue be looked at.
    if (out_.peek) out_.peek();
  }
  void modifier_event(uint8_t bit, bool up);
  // Brings the modifiers to `wanted` plus those the send and (blind) the
  // user hold.
  void set_modifiers(uint8_t wanted);
  void restore_modifiers();
  void send_item(const SendItem& item, const SendItem* next);
  void send_char(const SendItem& item, char32_t ch);
  void send_unicode(char32_t ch);
  void send_alt_numpad(uint32_t code, bool leading_zero);
  void send_mouse(const SendItem& item, uint8_t button);

  SendOutput& out_;
  const KeyboardLayout& layout_;
  const SendPlan& plan_;
  bool blind_;
  uint8_t& held_;   // held by "Down", kept between sends of the thread
  uint8_t temp_ = 0;  // held by "DownTemp", for this send only
  uint8_t initial_;   // down when the send began
  uint8_t mods_;      // down now, as far as this send's events go
  uint8_t released_ = 0;  // of those the user held, let go of for the send
  uint8_t let_go_ = 0;    // released by the text itself: not given back
};

void KeySender::modifier_event(uint8_t bit, bool up) {
  // The key delay follows each modifier event: the press duration is for
  // the keys typed while they are down.
  for (int i = 0; i < 8; ++i) {
    if (bit != (1 << i)) continue;
    out_.key(kModifierVks[i], sc_of_vk(layout_, kModifierVks[i]), up);
    out_.pause(plan_.key_delay);
  }
  if (up) mods_ &= uint8_t(~bit);
  else mods_ |= bit;
}

void KeySender::set_modifiers(uint8_t wanted) {
  wanted |= held_ | temp_;
  if (blind_) wanted |= initial_ & uint8_t(~let_go_);
  uint8_t release = mods_ & uint8_t(~wanted), add = wanted & uint8_t(~mods_);
  // Alt or Win let go of alone would open a menu: a tap of the mask key
  // (Control unless #MenuMaskKey says otherwise) first makes their release
  // part of a combination.
  if ((release & initial_ & uint8_t(~released_) & (ModLAlt | ModRAlt | ModLWin | ModRWin)) && !posting() &&
      !(mods_ & (ModLCtrl | ModRCtrl))) {
    key_event(plan_.mask_vk, plan_.mask_sc, false);
    key_event(plan_.mask_vk, plan_.mask_sc, true);
  }
  for (int i = 0; i < 8; ++i) {
    uint8_t bit = uint8_t(1 << i);
    if (release & bit) {
      if (initial_ & bit) released_ |= bit;
      modifier_event(bit, true);
    }
  }
  for (int i = 0; i < 8; ++i)
    if (add & bit_at(i)) modifier_event(bit_at(i), false);
}

void KeySender::restore_modifiers() {
  uint8_t back = released_ & uint8_t(~let_go_);
  if (plan_.hook_watches_keyboard) {
    // Only what the user still holds: a modifier let go of during a long
    // send must not come back down.
    uint8_t physical = 0;
    for (int i = 0; i < 8; ++i)
      if (hook_key_down(kModifierVks[i], true)) physical |= uint8_t(1 << i);
    back &= physical;
  } else {
    back &= uint8_t(~plan_.assume_released);
  }
  // DownTemp keys stay down after the send; the next one treats them as
  // the user's.
  uint8_t wanted = held_ | temp_ | back;
  if (blind_) wanted |= initial_ & uint8_t(~let_go_);
  temp_ = 0;
  uint8_t release = mods_ & uint8_t(~wanted), add = wanted & uint8_t(~mods_);
  for (int i = 0; i < 8; ++i)
    if (release & bit_at(i)) modifier_event(bit_at(i), true);
  for (int i = 0; i < 8; ++i)
    if (add & bit_at(i)) modifier_event(bit_at(i), false);
}

// Playback has no Unicode packets: they stay packets in its batch, and
// SendInput types them at their turn. (Alt and the decimal code would be
// playback's own way, but not every system composes those, and playback
// itself is mostly gone.)
void KeySender::send_unicode(char32_t ch) {
  char16_t units[2];
  size_t n = 1;
  if (ch >= 0x10000) {
    units[0] = char16_t(0xD800 + ((ch - 0x10000) >> 10));
    units[1] = char16_t(0xDC00 + ((ch - 0x10000) & 0x3FF));
    n = 2;
  } else {
    units[0] = char16_t(ch);
  }
  set_modifiers(0);
  for (size_t i = 0; i < n; ++i) {
    out_.unicode(units[i], false);
    out_.pause(plan_.press_duration);
    out_.unicode(units[i], true);
    out_.pause(plan_.key_delay);
  }
}

void KeySender::send_alt_numpad(uint32_t code, bool leading_zero) {
  set_modifiers(ModLAlt);
  char16_t digits[16];
  size_t n = 0;
  do {
    digits[n++] = char16_t(u'0' + code % 10);
    code /= 10;
  } while (code && n < 15);
  if (leading_zero) digits[n++] = u'0';
  while (n) {
    uint8_t numpad = uint8_t(0x60 + (digits[--n] - u'0'));
    press(numpad, 0);
  }
  // The character comes when Alt goes up.
  modifier_event(ModLAlt, true);
  if (initial_ & ModLAlt) released_ |= ModLAlt;
}

void KeySender::send_char(const SendItem& item, char32_t ch) {
  uint8_t key = 0, state = 0;
  // Line ends are the Enter key whatever the layout says of them.
  if (ch == u'\n' || ch == u'\r') {
    key = vk::Enter;
  } else if (ch == u'\t') {
    key = vk::Tab;
  } else if (ch > 0xFFFF || !layout_.key_for_char(char16_t(ch), key, state)) {
    key = 0;
  }
  if (posting() && (!key || !item.modifiers) && key != vk::Enter && key != vk::Tab) {
    // A control of another program takes characters as they are.
    set_modifiers(0);
    if (ch >= 0x10000) {
      out_.unicode(char16_t(0xD800 + ((ch - 0x10000) >> 10)), false);
      out_.unicode(char16_t(0xDC00 + ((ch - 0x10000) & 0x3FF)), false);
    } else {
      out_.unicode(char16_t(ch), false);
    }
    return;
  }
  if (!key) {
    send_unicode(ch);
    return;
  }
  set_modifiers(item.modifiers | modifiers_of_shift_state(state));
  press(key, 0);
}

void KeySender::send_mouse(const SendItem& item, uint8_t button) {
  MouseOp op;
  op.button = button;
  op.delay = out_.delivery == Delivery::Batch ? -1 : plan_.mouse_delay;
  if (item.kind == SendItemKind::Click) {
    if (!parse_click_text(item.click, op)) return;
  } else {
    op.count = item.count;
    if (item.action == SendAction::Down || item.action == SendAction::DownTemp) op.action = ButtonAction::Down;
    if (item.action == SendAction::Up) op.action = ButtonAction::Up;
  }
  set_modifiers(item.modifiers);
  mouse_click(out_, op);
}

void KeySender::send_item(const SendItem& item, const SendItem* next) {
  switch (item.kind) {
    case SendItemKind::Char:
    case SendItemKind::Unicode:
    case SendItemKind::Key:
      // A count the batch could never hold is refused before it is built.
      if (batching() && uint64_t(item.count) * 2 > EventBatch::kMaxEvents) {
        out_.out_of_memory = true;
        return;
      }
      break;
    default:
      break;
  }
  switch (item.kind) {
    case SendItemKind::Char:
      // "\r\n" is one line end.
      if (item.ch == u'\r' && next && next->kind == SendItemKind::Char && next->ch == u'\n') return;
      for (uint32_t i = 0; i < item.count && !out_.out_of_memory; ++i) send_char(item, item.ch);
      return;
    case SendItemKind::Unicode:
      for (uint32_t i = 0; i < item.count && !out_.out_of_memory; ++i) {
        if (posting()) send_char(item, item.ch);
        else send_unicode(item.ch);
      }
      return;
    case SendItemKind::AltNumpad:
      if (!posting()) send_alt_numpad(item.ch, item.leading_zero);
      return;
    case SendItemKind::Click:
      if (!posting()) send_mouse(item, vk::LButton);
      return;
    case SendItemKind::Key:
      break;
  }
  if (is_mouse_vk(item.vk)) {
    if (!posting()) send_mouse(item, item.vk);
    return;
  }
  uint8_t bit = modifier_bit(item.vk, item.sc);
  if (bit && !posting() && item.action != SendAction::Press) {
    if (item.action != SendAction::Up) set_modifiers(item.modifiers);
    switch (item.action) {
      case SendAction::Down:
        held_ |= bit;
        if (!(mods_ & bit)) modifier_event(bit, false);
        break;
      case SendAction::DownTemp:
        temp_ |= bit;
        if (!(mods_ & bit)) modifier_event(bit, false);
        break;
      default:
        held_ &= uint8_t(~bit);
        temp_ &= uint8_t(~bit);
        let_go_ |= bit;
        modifier_event(bit, true);
        break;
    }
    return;
  }
  uint8_t key = bit ? kModifierVks[__builtin_ctz(bit)] : item.vk;
  if (!key) key = vk_of_sc(layout_, item.sc);
  set_modifiers(item.modifiers);
  switch (item.action) {
    case SendAction::Press:
      for (uint32_t i = 0; i < item.count && !out_.out_of_memory; ++i) press(key, item.sc);
      if (bit) mods_ &= uint8_t(~bit);
      break;
    case SendAction::Down:
    case SendAction::DownTemp:
      key_event(key, item.sc, false);
      break;
    case SendAction::Up:
      key_event(key, item.sc, true);
      break;
  }
}

void KeySender::send(const SendText& text) {
  bool capslock = !blind_ && !posting() && plan_.store_capslock && out_.sender.key_toggled(vk::CapsLock);
  if (capslock) press(vk::CapsLock, 0);
  for (size_t i = 0; i < text.items.size() && !out_.out_of_memory; ++i) {
    send_item(text.items[i], i + 1 < text.items.size() ? &text.items[i + 1] : nullptr);
    if (out_.peek) out_.peek();
  }
  if (posting()) {
    // The control saw them go down in messages: it sees them go up too.
    for (int i = 0; i < 8; ++i)
      if (mods_ & bit_at(i)) modifier_event(bit_at(i), true);
  } else {
    restore_modifiers();
  }
  if (capslock) press(vk::CapsLock, 0);
}

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

Result send_key_string(StringView text, bool raw, SendMode mode, uintptr_t target, const SendOverrides& overrides) {
  ThreadSettings& t = *g_thread;
  platform::InputSender& sender = platform::input_sender();
  SendText parsed = parse_send_text(text, raw);
  bool uses_mouse = !raw && find_ignore_case(text, u"{Click") != StringView::npos;
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
  int32_t level = overrides.send_level != SendOverrides::kThreadSetting ? overrides.send_level : t.send_level;
  level = level < 0 ? 0 : level > 100 ? 100 : level;
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
    KeySender sender_of_keys(out, overrides.layout ? *overrides.layout : system_layout(), plan, parsed.blind, held);
    sender_of_keys.send(parsed);
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
