// The key state as scripts ask for it (GetKeyState, KeyWait), the key
// names and codes (GetKeyName, GetKeyVK, GetKeySC), and KeyHistory.
#include "events/message_pump.h"
#include "input/hotkey_text.h"
#include "input/key_codes.h"
#include "input/key_commands.h"
#include "input/key_history.h"
#include "input/keyboard_hook.h"
#include "input/keyboard_layout.h"
#include "platform/input_hook.h"
#include "platform/keyboard.h"
#include "platform/platform.h"
#include "platform/window_system.h"
#include "runtime/builtin_functions.h"
#include "runtime/error_level.h"
#include "runtime/evaluator.h"
#include "runtime/executor.h"
#include "runtime/numbers.h"

namespace orv {

namespace {

enum class KeyView : uint8_t { Logical, Physical, Toggled };

// A key as a script names it; false when the name is no key.
bool script_key(StringView name, uint8_t& vk, uint16_t& sc) {
  const KeyboardLayout& layout = system_layout();
  if (!key_from_name(trim(name), layout, vk, sc)) return false;
  if (!vk && sc) vk = vk_of_sc(layout, sc);
  if (!sc && vk) sc = sc_of_vk(layout, vk);
  return vk != 0 || sc != 0;
}

KeyView view_of(StringView mode) {
  mode = trim(mode);
  if (!mode.empty() && upper_case(mode[0]) == u'P') return KeyView::Physical;
  if (!mode.empty() && upper_case(mode[0]) == u'T') return KeyView::Toggled;
  return KeyView::Logical;
}

bool one_down(uint8_t vk, bool physical) {
  // The hook knows what the user holds apart from what others see; the
  // system's own state serves when no hook of the program watches the key.
  bool hooked = is_mouse_vk(vk) ? mouse_hook_installed() : keyboard_hook_installed();
  return hooked ? hook_key_down(vk, physical) : platform::key_held_now(vk);
}

bool key_down(uint8_t vk, KeyView view) {
  if (view == KeyView::Toggled) return platform::key_toggled(vk);
  bool physical = view == KeyView::Physical;
  // A neutral modifier is down when either of its keys is.
  switch (vk) {
    case vk::Shift: return one_down(vk::LShift, physical) || one_down(vk::RShift, physical);
    case vk::Control: return one_down(vk::LControl, physical) || one_down(vk::RControl, physical);
    case vk::Alt: return one_down(vk::LAlt, physical) || one_down(vk::RAlt, physical);
    default: return one_down(vk, physical);
  }
}

String history_title(uintptr_t window) { return platform::window_system().title(window); }

}  // namespace

void show_key_history_view() {
  HookStateView view;
  read_hook_state(view);
  platform::set_main_window_text(key_history_report(view, history_title));
  platform::show_main_window();
}

Result cmd_key_history(const ScriptLine&, ExpandedArgs&) {
  show_key_history_view();
  return ResultDone;
}

// GetKeyState, OutputVar, KeyName [, Mode]: D or U; empty for no key.
Result cmd_get_key_state(const ScriptLine&, ExpandedArgs& args) {
  Variable* out = args.vars[0];
  uint8_t vk = 0;
  uint16_t sc = 0;
  if (!script_key(arg_text(args, 1), vk, sc)) return out->assign_empty();
  return out->assign(key_down(vk, view_of(arg_text(args, 2))) ? u"D" : u"U");
}

// KeyWait, KeyName [, Options]: waits for the key to go up (D: down), as
// the user holds it (L: as the system sees it), at most T seconds.
Result cmd_key_wait(const ScriptLine&, ExpandedArgs& args) {
  uint8_t vk = 0;
  uint16_t sc = 0;
  if (!script_key(arg_text(args, 0), vk, sc)) return set_error_level(1);
  StringView options = arg_text(args, 1);
  bool want_down = false;
  KeyView view = KeyView::Physical;
  double timeout_s = -1;
  for (size_t i = 0; i < options.size(); ++i) {
    char16_t c = upper_case(options[i]);
    if (c == u'D') want_down = true;
    else if (c == u'L') view = KeyView::Logical;
    else if (c == u'T') {
      size_t end = i + 1;
      while (end < options.size() && !is_blank(options[end])) ++end;
      timeout_s = text_to_double(options.substr(i + 1, end - i - 1));
      i = end - 1;
    }
  }
  uint64_t start = platform::tick_count();
  while (key_down(vk, view) != want_down) {
    if (timeout_s >= 0 && double(platform::tick_count() - start) >= timeout_s * 1000) return set_error_level(1);
    pump_messages(10, PumpMode::Wait);
  }
  return set_error_level(0);
}

// GetKeyState(KeyName [, Mode]): 1 down (or toggled on), 0 up; empty for no key.
Result builtin_get_key_state(Func&, ExprToken& result, ExprToken* args, int argc) {
  char16_t b0[256], b1[256];
  uint8_t vk = 0;
  uint16_t sc = 0;
  if (!script_key(token_to_text(args[0], b0), vk, sc)) return ResultDone;
  KeyView view = arg_given(args, argc, 1) ? view_of(token_to_text(args[1], b1)) : KeyView::Logical;
  result = int_token(key_down(vk, view) ? 1 : 0);
  return ResultDone;
}

// GetKeyName, GetKeyVK, GetKeySC: a key's name and codes; empty or 0 for no key.
Result builtin_get_key_info(Func& func, ExprToken& result, ExprToken* args, int) {
  char16_t buf[256];
  uint8_t vk = 0;
  uint16_t sc = 0;
  bool known = script_key(token_to_text(args[0], buf), vk, sc);
  char16_t last = func.name.back();
  if (last == u'K' || last == u'k') {
    result = int_token(known ? vk : 0);
    return ResultDone;
  }
  if (last == u'C' || last == u'c') {
    result = int_token(known ? sc : 0);
    return ResultDone;
  }
  if (!known) return ResultDone;
  StringView name = name_of_sc(sc);
  if (name.empty()) name = name_of_vk(vk);
  String own;
  if (name.empty() && ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z'))) {
    own.assign(1, char16_t(vk >= 'A' ? vk + 32 : vk));
    name = own;
  }
  return temp_text_token(name, SymString, result);
}

}  // namespace orv
