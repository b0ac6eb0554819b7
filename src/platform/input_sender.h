// Synthesised keyboard and mouse input: what Send and the mouse commands
// hand to the system. The portable sender decides every event; this layer
// only delivers them, one at a time, as one batch, or by journal playback.
// The headless host records what it is given, so that the sender's logic
// is tested without a desktop.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv::platform {

// Mouse event bits, as the system's mouse input takes them.
enum MouseBits : uint32_t {
  MouseMove = 0x0001, MouseLeftDown = 0x0002, MouseLeftUp = 0x0004, MouseRightDown = 0x0008,
  MouseRightUp = 0x0010, MouseMiddleDown = 0x0020, MouseMiddleUp = 0x0040, MouseXDown = 0x0080,
  MouseXUp = 0x0100, MouseWheel = 0x0800, MouseHWheel = 0x1000, MouseAbsolute = 0x8000,
};

struct InputEvent {
  enum class Kind : uint8_t { Key, Unicode, Mouse, Delay };
  Kind kind = Kind::Key;
  bool up = false;      // Key, Unicode
  uint8_t vk = 0;       // Key
  uint16_t sc = 0;      // Key: 0x100 marks an extended key; Unicode: the UTF-16 unit
  uint32_t mouse = 0;   // Mouse: MouseBits
  int32_t x = 0, y = 0; // Mouse with MouseAbsolute: screen pixels; else a relative move
  int32_t data = 0;     // Mouse: wheel delta, or the X button (1, 2); Delay: milliseconds
  uintptr_t extra = 0;  // the tag the program's own hook reads
};

class InputSender {
 public:
  virtual ~InputSender() = default;
  // One event now (keybd_event and mouse_event style). A Delay is ignored:
  // waits between single events are the caller's, who pumps meanwhile.
  virtual void event(const InputEvent& e) = 0;
  // The whole batch in one go; Delay records pause it there.
  virtual void send_batch(const InputEvent* events, size_t count) = 0;
  // Journal playback of the batch up to its first Unicode packet (which
  // playback cannot carry): how many events were played (or dropped because
  // the system cancelled playback). Playback that cannot be installed, or
  // that has not started or stalls within a short bound, is removed: the
  // caller delivers the rest with send_batch.
  virtual size_t play_batch(const InputEvent* events, size_t count) = 0;

  // Whether another program's hook of this kind (KeyboardHookBit or
  // MouseHookBit of input_hook.h) is installed; this program's own does not
  // count.
  virtual bool hook_of_another_program(uint8_t hook_bit) = 0;
  // The system's view of a key (held now; toggled for the lock keys).
  virtual bool key_down_now(uint8_t vk) = 0;
  virtual bool key_toggled(uint8_t vk) = 0;
  // The system's input blocking; false when the system refuses or lacks it.
  virtual bool block_input(bool on) = 0;
  virtual bool cursor_pos(int32_t& x, int32_t& y) = 0;
  // Whether the user swapped the mouse buttons (the primary is the right).
  virtual bool buttons_swapped() = 0;
};

// The platform's sender: Win32's real one, or the headless host's recorder.
InputSender& input_sender();

}  // namespace orv::platform
