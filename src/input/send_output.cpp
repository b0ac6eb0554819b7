#include "input/send_output.h"

#include <cstdlib>
#include <cstring>

#include "platform/window_system.h"

namespace orv {

using platform::InputEvent;

EventBatch::~EventBatch() { std::free(events_); }

bool EventBatch::reserve(size_t count) {
  if (count <= capacity_) return true;
  if (count > kMaxEvents) return false;
  void* grown = std::realloc(events_, count * sizeof(InputEvent));
  if (!grown) return false;
  events_ = static_cast<InputEvent*>(grown);
  capacity_ = count;
  return true;
}

bool EventBatch::push(const InputEvent& e) {
  if (size_ == capacity_ && !reserve(capacity_ < 250 ? 500 : capacity_ * 2 > kMaxEvents ? kMaxEvents : capacity_ * 2))
    return false;
  if (size_ == capacity_) return false;
  events_[size_++] = e;
  return true;
}

void SendOutput::push(InputEvent e) {
  e.extra = tag;
  if (delivery == Delivery::Single) {
    sender.event(e);
    return;
  }
  if (out_of_memory) return;
  if (!batch.push(e)) {
    out_of_memory = true;
    batch.clear();
  }
}

void SendOutput::pause(int32_t ms) {
  if (ms < 0) return;
  if (delivery == Delivery::Single) {
    if (wait) wait(ms);
  } else if (delivery == Delivery::Play && ms > 0) {
    InputEvent e;
    e.kind = InputEvent::Kind::Delay;
    e.data = ms;
    push(e);
  }
}

namespace {

// The lParam of a posted key message: repeat count 1, the scan code, the
// extended bit, and for a release the previous-state and transition bits.
intptr_t key_lparam(uint16_t sc, bool up) {
  uintptr_t l = 1 | (uintptr_t(sc & 0xFF) << 16) | ((sc & 0x100) ? uintptr_t(1) << 24 : 0);
  if (up) l |= uintptr_t(0xC0000000u);
  return intptr_t(l);
}

constexpr uint32_t kWmKeyDown = 0x100, kWmKeyUp = 0x101, kWmChar = 0x102;

}  // namespace

void SendOutput::key(uint8_t vk, uint16_t sc, bool up) {
  if (delivery == Delivery::Post) {
    desktop->post(target, up ? kWmKeyUp : kWmKeyDown, vk, key_lparam(sc, up));
    return;
  }
  InputEvent e;
  e.vk = vk;
  e.sc = sc;
  e.up = up;
  push(e);
}

void SendOutput::unicode(char16_t unit, bool up) {
  if (delivery == Delivery::Post) {
    if (!up) desktop->post(target, kWmChar, unit, 1);
    return;
  }
  InputEvent e;
  e.kind = InputEvent::Kind::Unicode;
  e.sc = unit;
  e.up = up;
  push(e);
}

void SendOutput::finish() {
  if (out_of_memory || batch.size() == 0) {
    batch.clear();
    return;
  }
  const InputEvent* events = batch.data();
  size_t count = batch.size(), done = 0;
  auto unicode = [&](size_t i) {
    return events[i].kind == InputEvent::Kind::Unicode || events[i].kind == InputEvent::Kind::Delay;
  };
  while (delivery == Delivery::Play && done < count) {
    size_t next = done;
    while (next < count && events[next].kind == InputEvent::Kind::Delay) ++next;
    if (next < count && events[next].kind == InputEvent::Kind::Unicode) {
      // Packets playback cannot carry go by SendInput at their turn.
      size_t end = done;
      while (end < count && unicode(end)) ++end;
      sender.send_batch(events + done, end - done);
      done = end;
      continue;
    }
    size_t played = sender.play_batch(events + done, count - done);
    if (played == 0) break;  // no playback here: SendInput delivers the rest
    done += played;
  }
  if (done < count) sender.send_batch(events + done, count - done);
  batch.clear();
}

}  // namespace orv
