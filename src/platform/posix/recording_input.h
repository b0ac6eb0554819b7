// The headless host's input sender: it delivers nothing and writes down
// every event, how it was delivered, and the key and pointer state those
// events leave behind, so that tests of the sender read what a send did.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/input_sender.h"

namespace orv::platform {

class RecordingInput : public InputSender {
 public:
  enum class Via : uint8_t { Single, Batch, Play };
  struct Entry {
    InputEvent event;
    Via via;
  };

  void event(const InputEvent& e) override;
  void send_batch(const InputEvent* events, size_t count) override;
  size_t play_batch(const InputEvent* events, size_t count) override;
  bool hook_of_another_program(uint8_t hook_bit) override { return (other_hooks & hook_bit) != 0; }
  bool key_down_now(uint8_t vk) override { return held[vk]; }
  bool key_toggled(uint8_t vk) override { return toggled[vk]; }
  bool block_input(bool on) override;
  bool cursor_pos(int32_t& x_out, int32_t& y_out) override;
  bool buttons_swapped() override { return swapped; }

  // Back to no events, no key held, the pointer at 0, 0.
  void reset() { *this = RecordingInput(); }

  std::vector<Entry> log;
  std::array<bool, 256> held{};     // what the user holds, then what the events did
  std::array<bool, 256> toggled{};  // CapsLock and its kin
  uint8_t other_hooks = 0;          // hooks another program holds (HookBits)
  size_t play_limit = SIZE_MAX;     // playback plays this many events in all, then stalls
  bool swapped = false;
  bool blocked = false;
  std::vector<bool> block_calls;    // every change of input blocking
  int32_t x = 0, y = 0;

 private:
  void apply(const InputEvent& e, Via via);
};

RecordingInput& recording_input();

}  // namespace orv::platform
