// Sending a key string: Send and its kin, ControlSend, and the replacement
// text of a hotstring all come here. The string is read (send_text.h),
// delivered by the chosen method (send_output.h), and the modifiers the
// user holds are let go of for the send and given back after it.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/text.h"
#include "input/send_output.h"
#include "runtime/thread_settings.h"

namespace orv {

class KeyboardLayout;
namespace platform {
class WindowSystem;
}

// What one send may do differently from the running thread's settings
// (a hotstring's own key delay and send level). kThreadSetting: as the
// thread has it.
struct SendOverrides {
  static constexpr int32_t kThreadSetting = INT32_MIN;
  int32_t key_delay = kThreadSetting;       // of the method used (Event or Play)
  int32_t press_duration = kThreadSetting;  // likewise
  int32_t send_level = kThreadSetting;      // 0 to 100
  // The layout characters are typed by; null: the foreground window's
  // (tests give layouts the system does not have).
  const KeyboardLayout* layout = nullptr;
  // The desktop a target's messages are posted on; null: the system's.
  platform::WindowSystem* desktop = nullptr;
};

// Sends `text` (with `raw`, every character as itself) from the running
// thread by `mode`; with a `target` control, as messages posted to it.
// Fails only with "Out of memory." (a batch too large to build); nothing
// else about a send is an error, and ErrorLevel is left alone.
Result send_key_string(StringView text, bool raw, SendMode mode, uintptr_t target = 0,
                       const SendOverrides& overrides = SendOverrides());

// BlockInput's modes that last beyond one command.
enum BlockInputMode : uint8_t {
  BlockDuringSend = 1,   // "Send": while an Event-mode send runs
  BlockDuringMouse = 2,  // "Mouse": while a mouse command runs
};
extern uint8_t g_block_input_mode;

// The system's input blocking switched on for the life of the object when
// `wanted`, and off again after it (unless the script blocked input itself).
class InputBlock {
 public:
  explicit InputBlock(bool wanted);
  ~InputBlock();
  InputBlock(const InputBlock&) = delete;
  InputBlock& operator=(const InputBlock&) = delete;

 private:
  bool blocked_ = false;
};
// BlockInput On and Off: the script's own blocking, which InputBlock leaves alone.
bool block_input_now(bool on);

// The delivery a mode gets now: Input falls back to Event (or Play) while
// another program's hook would see the batch out of order.
Delivery delivery_for(SendMode mode, bool uses_mouse);
// Event mode's waits on the main thread: the message pump, with no new
// thread let in meanwhile.
void use_pump_waits(SendOutput& out);

}  // namespace orv
