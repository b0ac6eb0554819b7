// Where the events of one send go: one at a time with waits between them
// (Event), gathered into a batch delivered at the end (Input, Play), or
// posted as window messages to one control (ControlSend). The key sender
// and the mouse commands both write through it, so a {Click} inside a key
// string lands in the same batch as the keys around it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/input_sender.h"

namespace orv {
namespace platform {
class WindowSystem;
}

enum class Delivery : uint8_t { Single, Batch, Play, Post };

// A growing array of events that reports, rather than crashes on, a size
// it cannot have.
class EventBatch {
 public:
  EventBatch() = default;
  ~EventBatch();
  EventBatch(const EventBatch&) = delete;
  EventBatch& operator=(const EventBatch&) = delete;

  // False when the batch cannot grow (it is then unchanged).
  bool push(const platform::InputEvent& e);
  bool reserve(size_t count);
  const platform::InputEvent* data() const { return events_; }
  size_t size() const { return size_; }
  void clear() { size_ = 0; }

  // Past this many events a batch counts as one that cannot be allocated.
  static constexpr size_t kMaxEvents = size_t(1) << 22;

 private:
  platform::InputEvent* events_ = nullptr;
  size_t size_ = 0, capacity_ = 0;
};

struct SendOutput {
  SendOutput(platform::InputSender& sender, Delivery delivery, uintptr_t tag) : sender(sender), delivery(delivery), tag(tag) {}

  platform::InputSender& sender;
  Delivery delivery;
  uintptr_t tag;           // the extra information of every event
  uintptr_t target = 0;    // Post: the window the messages go to
  platform::WindowSystem* desktop = nullptr;  // Post: where it lives
  // Event mode's waits and its looks at the message queue between items
  // (the pump, on the main thread); null: none.
  void (*wait)(int32_t ms) = nullptr;
  void (*peek)() = nullptr;
  bool out_of_memory = false;
  EventBatch batch;
  // Where the batch's last move leaves the pointer: the system's position
  // is stale until the batch goes.
  bool batch_moved = false;
  int32_t batch_x = 0, batch_y = 0;

  void push(platform::InputEvent e);
  // A pause after an event: -1 none, 0 a yield. Single: the wait; Play: a
  // delay record; Input and Post: nothing.
  void pause(int32_t ms);
  // A key as a posted message (Post) or an event.
  void key(uint8_t vk, uint16_t sc, bool up);
  void unicode(char16_t unit, bool up);
  // Delivers the batch: Play plays what it can and SendInput sends the rest.
  void finish();
};

}  // namespace orv
