// Send and its kin, and the thread settings they go by: SendMode,
// SetKeyDelay, SetMouseDelay, SendLevel, CoordMode, SetDefaultMouseSpeed,
// SetStoreCapslockMode, BlockInput.
#include "base/messages.h"
#include "library/thread_commands.h"
#include "input/hotkeys.h"
#include "input/send_keys.h"
#include "platform/input_hook.h"
#include "runtime/errors.h"
#include "runtime/executor.h"
#include "runtime/numbers.h"
#include "runtime/script_line.h"
#include "runtime/thread_settings.h"

namespace orv {

namespace {

// A delay parameter: blank leaves the setting as it is.
void set_delay(StringView text, int32_t& setting) {
  text = trim(text);
  if (text.empty()) return;
  int64_t ms = text_to_int(text);
  setting = ms > INT32_MAX ? INT32_MAX : ms < -1 ? -1 : int32_t(ms);
}

bool is_play(StringView text) { return equals_ignore_case(trim(text), u"Play"); }

}  // namespace

// Send, SendRaw, SendInput, SendPlay, SendEvent: Keys.
Result cmd_send(const ScriptLine& line, ExpandedArgs& args) {
  StringView keys = arg_text(args, 0);
  switch (line.action) {
    case CmdSendRaw: return send_key_string(keys, true, g_thread->send_mode);
    case CmdSendInput: return send_key_string(keys, false, SendMode::Input);
    case CmdSendPlay: return send_key_string(keys, false, SendMode::Play);
    case CmdSendEvent: return send_key_string(keys, false, SendMode::Event);
    default: return send_key_string(keys, false, g_thread->send_mode);
  }
}

// SendMode, Event|Input|InputThenEvent|Play|InputThenPlay.
Result cmd_send_mode(const ScriptLine&, ExpandedArgs& args) {
  StringView s = trim(arg_text(args, 0));
  SendMode& mode = g_thread->send_mode;
  if (equals_ignore_case(s, u"Event")) mode = SendMode::Event;
  else if (equals_ignore_case(s, u"Input") || equals_ignore_case(s, u"InputThenEvent")) mode = SendMode::Input;
  else if (equals_ignore_case(s, u"Play")) mode = SendMode::Play;
  else if (equals_ignore_case(s, u"InputThenPlay")) mode = SendMode::InputThenPlay;
  else return report_runtime_error(message(Msg::ParamInvalid1), s);
  return ResultDone;
}

// SetKeyDelay [, Delay, PressDuration, Play].
Result cmd_set_key_delay(const ScriptLine&, ExpandedArgs& args) {
  ThreadSettings& t = *g_thread;
  bool play = is_play(arg_text(args, 2));
  set_delay(arg_text(args, 0), play ? t.key_delay_play : t.key_delay);
  set_delay(arg_text(args, 1), play ? t.key_duration_play : t.key_duration);
  return ResultDone;
}

// SetMouseDelay, Delay [, Play].
Result cmd_set_mouse_delay(const ScriptLine&, ExpandedArgs& args) {
  ThreadSettings& t = *g_thread;
  set_delay(arg_text(args, 0), is_play(arg_text(args, 1)) ? t.mouse_delay_play : t.mouse_delay);
  return ResultDone;
}

// SendLevel, 0 to 100.
Result cmd_send_level(const ScriptLine&, ExpandedArgs& args) {
  StringView s = trim(arg_text(args, 0));
  if (numeric_type_of(s) != NumType::Integer) return report_runtime_error(message(Msg::ParamInvalid1), s);
  int64_t level = text_to_int(s);
  if (level < 0 || level > 100) return report_runtime_error(message(Msg::ParamInvalid1), s);
  g_thread->send_level = uint8_t(level);
  return ResultDone;
}

// SetDefaultMouseSpeed, 0 (at once) to 100 (slowest).
Result cmd_set_default_mouse_speed(const ScriptLine&, ExpandedArgs& args) {
  int64_t speed = text_to_int(trim(arg_text(args, 0)));
  g_thread->default_mouse_speed = int32_t(speed < 0 ? 0 : speed > 100 ? 100 : speed);
  return ResultDone;
}

// CoordMode, ToolTip|Pixel|Mouse|Caret|Menu [, Screen|Window|Relative|Client].
Result cmd_coord_mode(const ScriptLine&, ExpandedArgs& args) {
  static constexpr struct {
    StringView name;
    CoordTarget target;
  } kTargets[] = {{u"ToolTip", CoordTarget::ToolTip}, {u"Pixel", CoordTarget::Pixel}, {u"Mouse", CoordTarget::Mouse},
                  {u"Caret", CoordTarget::Caret},     {u"Menu", CoordTarget::Menu}};
  StringView which = trim(arg_text(args, 0)), how = trim(arg_text(args, 1));
  CoordMode mode;
  if (how.empty() || equals_ignore_case(how, u"Screen")) mode = CoordMode::Screen;
  else if (equals_ignore_case(how, u"Window") || equals_ignore_case(how, u"Relative")) mode = CoordMode::Window;
  else if (equals_ignore_case(how, u"Client")) mode = CoordMode::Client;
  else return report_runtime_error(message(Msg::ParamInvalid2), how);
  for (const auto& t : kTargets) {
    if (!equals_ignore_case(which, t.name)) continue;
    unsigned shift = 2 * unsigned(t.target);
    uint16_t& modes = g_thread->coord_modes;
    modes = uint16_t((modes & ~(3u << shift)) | (unsigned(mode) << shift));
    return ResultDone;
  }
  return report_runtime_error(message(Msg::ParamInvalid1), which);
}

// SetStoreCapslockMode, On|Off: whether a send turns CapsLock off while it
// types and back on after.
Result cmd_set_store_capslock_mode(const ScriptLine&, ExpandedArgs& args) {
  int v = on_off_setting(arg_text(args, 0));
  if (v < 0) return report_runtime_error(message(Msg::ParamInvalid1), arg_text(args, 0));
  g_thread->store_capslock_mode = v != 0;
  return ResultDone;
}

// BlockInput, On|Off|Send|Mouse|SendAndMouse|Default|MouseMove|MouseMoveOff.
Result cmd_block_input(const ScriptLine&, ExpandedArgs& args) {
  StringView s = trim(arg_text(args, 0));
  if (equals_ignore_case(s, u"On") || equals_ignore_case(s, u"Off")) (void)block_input_now(equals_ignore_case(s, u"On"));
  else if (equals_ignore_case(s, u"Send")) g_block_input_mode = BlockDuringSend;
  else if (equals_ignore_case(s, u"Mouse")) g_block_input_mode = BlockDuringMouse;
  else if (equals_ignore_case(s, u"SendAndMouse")) g_block_input_mode = BlockDuringSend | BlockDuringMouse;
  else if (equals_ignore_case(s, u"Default")) g_block_input_mode = 0;
  else if (equals_ignore_case(s, u"MouseMove") || equals_ignore_case(s, u"MouseMoveOff")) {
    // The mouse hook's own business: it swallows physical movement.
    bool on = equals_ignore_case(s, u"MouseMove");
    platform::set_block_mouse_move(on);
    set_mouse_hook_for_blocking(on);
  } else {
    return report_runtime_error(message(Msg::ParamInvalid1), s);
  }
  return ResultDone;
}

}  // namespace orv
