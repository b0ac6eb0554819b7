#include "input/key_sender.h"

#include "input/keyboard_hook.h"
#include "input/keyboard_layout.h"
#include "input/mouse_input.h"
#include "input/send_text.h"

namespace orv {

namespace {

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
  uint8_t given_back = add & back;
  if (plan_.hook_watches_keyboard && given_back && !posting() && !out_.out_of_memory) {
    // The user may have let go between the look above and the press just
    // made: looked at again once it is delivered (the hook has seen every
    // event before it by then), a modifier no longer held goes up again.
    if (batching()) out_.finish();
    for (int i = 0; i < 8; ++i)
      if ((given_back & bit_at(i)) && !hook_key_down(kModifierVks[i], true)) modifier_event(bit_at(i), true);
  }
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
    // What to give back is decided once the text's keys are delivered: a
    // modifier the user lets go of meanwhile must not come back down.
    if (batching() && !out_.out_of_memory) out_.finish();
    restore_modifiers();
  }
  if (capslock) press(vk::CapsLock, 0);
}

}  // namespace

void send_items(SendOutput& out, const KeyboardLayout& layout, const SendPlan& plan, const SendText& text,
                uint8_t& held) {
  KeySender sender(out, layout, plan, text.blind, held);
  sender.send(text);
}

}  // namespace orv
