#include "input/hotstrings.h"

#include "base/messages.h"
#include "events/callable.h"
#include "events/script_threads.h"
#include "input/hotkeys.h"
#include "input/hotstring_table.h"
#include "input/keyboard_hook.h"
#include "input/send_keys.h"
#include "platform/platform.h"
#include "platform/window_system.h"
#include "runtime/errors.h"
#include "runtime/func.h"
#include "runtime/launch_state.h"
#include "runtime/script_program.h"
#include "runtime/thread_settings.h"

namespace orv {

namespace {

HotstringTable& table() {
  static HotstringTable* t = new HotstringTable;  // the hook reads it until the process ends
  return *t;
}

// The name A_ThisHotkey shows: the line up to the abbreviation's end.
String name_of(const HotstringDefinition& d) {
  String name = u":";
  name += d.options;
  name += u":";
  name += d.abbreviation;
  return name;
}

SendMode mode_of(HotstringSendMode mode) {
  switch (mode) {
    case HotstringSendMode::Event: return SendMode::Event;
    case HotstringSendMode::Play: return SendMode::Play;
    default: return SendMode::InputThenPlay;
  }
}

// Erases what was typed and types the replacement with the hotstring's
// own key delay, no press duration and send level 0, whatever thread is
// running now.
void replace_abbreviation(const HotstringEntry& h, char16_t end_char, uint8_t case_mode) {
  String keys = replacement_keys(h, end_char, case_mode);
  if (keys.empty()) return;
  SendOverrides overrides;
  overrides.key_delay = h.options.key_delay;
  overrides.press_duration = -1;
  overrides.send_level = 0;
  (void)send_key_string(keys, false, mode_of(h.options.send_mode), 0, overrides);
}

}  // namespace

HotstringTable& script_hotstrings() { return table(); }

bool have_hotstrings() { return table().size() > 0; }

Result load_hotstrings(ScriptProgram& program) {
  HotstringTable& t = table();
  for (const HotstringDefinition& d : program.hotstrings) {
    program.current_line_number = d.line_number;
    HotstringEntry e;
    if (!criterion_of(program, d.criterion, e.criterion)) return ResultFailed;
    apply_hotstring_options(d.default_options, e.options);
    apply_hotstring_options(d.options, e.options);
    if (d.func) e.callable.object = ObjectRef(static_cast<IObject*>(d.func));
    else e.callable.label = d.label;
    e.name = name_of(d);
    e.abbreviation.assign(d.abbreviation);
    e.replacement.assign(d.replacement);
    e.input_level = d.input_level;
    e.max_threads = d.max_threads;
    if (t.define(std::move(e)) == HotstringError::TooLong)
      return load_error(program, message(Msg::HotstringTooLong), d.abbreviation);
  }
  const DirectiveSettings& d = program.directives;
  if (have_hotstrings()) set_hook_hotstrings(&t, d.hotstring_end_chars, !d.hotstring_no_mouse);
  return ResultDone;
}

void launch_hotstring(uintptr_t wparam, intptr_t lparam) {
  HotstringTable& t = table();
  size_t index = size_t(wparam & 0xFFFFFFFF);
  if (index >= t.size()) return;
  HotstringEntry& h = t.at(index);
  uintptr_t typed_into = uintptr_t(uint32_t(wparam >> 32));
  char16_t end_char = char16_t(lparam & 0xFFFF);
  uint8_t case_mode = uint8_t((lparam >> 16) & 0xFF);
  uintptr_t found = 0;
  if (h.criterion.kind != CriterionKind::None && !criterion_holds(h.criterion, found)) return;
  if (h.criterion.kind == CriterionKind::IfWinNotActive || h.criterion.kind == CriterionKind::IfWinNotExist) found = 0;

  CommandId first = h.auto_replace() ? CmdInvalid : first_action(h.callable);
  if (!h.auto_replace()) {
    // Checked before anything is erased: a hotstring whose thread cannot
    // start now leaves the user's text as typed.
    if (h.running_threads >= h.max_threads && !always_allowed(first)) return;
    if (!thread_gate(h.options.priority, first)) return;
  }
  // The match may be reported late (after a thread that could not be
  // interrupted): erasing then would hit whatever window is in front now.
  uintptr_t front = platform::window_system().foreground();
  if (uint32_t(front) == uint32_t(typed_into)) replace_abbreviation(h, end_char, case_mode);
  if (h.auto_replace()) return;

  note_hotkey_launch(h.name);
  g_launch.end_char = h.options.needs_end_char ? end_char : 0;
  LaunchedThread thread(h.options.priority, first);
  ThreadSettings& settings = *g_thread;
  settings.last_found_window = found;
  settings.send_level = h.input_level;
  // A hotstring holds no modifiers that a Send would have to let go of.
  g_launch.firing_hotkey_modifiers = 0;
  ++h.running_threads;
  (void)run_callable(h.callable);
  --h.running_threads;
}

}  // namespace orv
