#include "input/hotkeys.h"

#include <vector>

#include "base/messages.h"
#include "events/callable.h"
#include "events/message_pump.h"
#include "events/script_threads.h"
#include "input/hotkey_table.h"
#include "input/hotstrings.h"
#include "input/joystick_hotkeys.h"
#include "platform/joystick.h"
#include "input/keyboard_hook.h"
#include "input/key_codes.h"
#include "input/keyboard_layout.h"
#include "parser/escapes.h"
#include "parser/expression_compiler.h"
#include "platform/hotkeys.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "runtime/error_level.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/executor.h"
#include "runtime/func.h"
#include "runtime/function_table.h"
#include "runtime/launch_state.h"
#include "runtime/message_box.h"
#include "runtime/process_state.h"
#include "runtime/script_program.h"
#include "runtime/thread_settings.h"

namespace orv {

namespace {

// A buffered press runs only while it is this fresh.
constexpr uint64_t kPendingRunFreshMs = 1000;

struct IfExpression {
  String text;
  ExprToken* code = nullptr;
};

struct HotkeyState {
  HotkeyTable table;
  std::vector<IfExpression> if_expressions;
  HotkeyCriterion command_criterion;  // set by "Hotkey, IfWin..." for the commands after it
  WindowCriterionTest window_test = nullptr;
  // The rate limit's window: when it opened and how many firings it saw.
  uint64_t window_start = 0;
  int64_t fired = 0;
  bool asking = false;  // the rate-limit question is on screen
  JoystickPoller joysticks;
  bool mouse_hook_for_blocking = false;  // BlockInput MouseMove
};

HotkeyState& state() {
  static HotkeyState* s = new HotkeyState;  // lives as long as the process
  return *s;
}

class SystemRegistrar final : public HotkeyRegistrar {
 public:
  bool register_hotkey(uint16_t id, uint32_t mods, uint8_t vk) override { return platform::register_hotkey(id, mods, vk); }
  void unregister_hotkey(uint16_t id) override { platform::unregister_hotkey(id); }
};

bool evaluate_if_expression(int32_t index) {
  HotkeyState& s = state();
  if (index < 0 || size_t(index) >= s.if_expressions.size() || !s.if_expressions[index].code) return false;
  if (!can_push_thread()) return false;
  // In a thread record of its own, so that whatever the expression sets
  // (ErrorLevel, the thread's settings) does not leak into the thread it
  // interrupts.
  LaunchedThread thread(0, CmdInvalid);
  TempArena::Scope scope;
  ExprToken result;
  if (!evaluate(s.if_expressions[index].code, result)) return false;
  bool truth = token_truth(result);
  if (result.symbol == SymObject && result.object) result.object->release();
  return truth;
}

class ScriptJudge final : public CriterionJudge {
 public:
  bool holds(const HotkeyCriterion& c, uintptr_t& found) override {
    found = 0;
    if (c.kind == CriterionKind::IfExpression) return evaluate_if_expression(c.if_expression);
    WindowCriterionTest test = state().window_test;
    return test && test(c.kind, c.title, c.text, found);
  }
};

// The first delimiter not preceded by the escape character.
size_t find_unescaped_delimiter(StringView text, char16_t delimiter, char16_t escape) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == escape) ++i;
    else if (text[i] == delimiter) return i;
  }
  return StringView::npos;
}

int32_t if_expression_index(StringView text) {
  HotkeyState& s = state();
  for (size_t i = 0; i < s.if_expressions.size(); ++i)
    if (s.if_expressions[i].text == text) return int32_t(i);
  return -1;
}

}  // namespace

Result criterion_of(ScriptProgram& program, StringView kept, HotkeyCriterion& c) {
  c = HotkeyCriterion();
  if (kept.empty()) return ResultDone;
  size_t space = kept.find(u' ');
  StringView name = kept.substr(0, space);
  StringView rest = space == StringView::npos ? StringView() : kept.substr(space + 1);
  if (equals_ignore_case(name, u"#If")) {
    c.kind = CriterionKind::IfExpression;
    c.if_expression = if_expression_index(rest);
    if (c.if_expression >= 0) return ResultDone;
    IfExpression e;
    e.text.assign(rest);
    if (!compile_expression(program, ExpressionSource{program.pool.copy(rest)}, &e.code)) return ResultFailed;
    c.if_expression = int32_t(state().if_expressions.size());
    state().if_expressions.push_back(std::move(e));
    return ResultDone;
  }
  c.kind = equals_ignore_case(name, u"#IfWinActive")      ? CriterionKind::IfWinActive
           : equals_ignore_case(name, u"#IfWinNotActive") ? CriterionKind::IfWinNotActive
           : equals_ignore_case(name, u"#IfWinExist")     ? CriterionKind::IfWinExist
                                                          : CriterionKind::IfWinNotExist;
  const SyntaxChars& syntax = program.syntax;
  size_t comma = find_unescaped_delimiter(rest, syntax.delimiter, syntax.escape);
  c.title = translate_escapes(trim(rest.substr(0, comma)), syntax.escape);
  if (comma != StringView::npos) c.text = translate_escapes(trim(rest.substr(comma + 1)), syntax.escape);
  return ResultDone;
}

bool criterion_holds(const HotkeyCriterion& c, uintptr_t& found) {
  ScriptJudge judge;
  return judge.holds(c, found);
}

namespace {

// A joystick button that went down fires its hotkey as a registered key
// would: through the hotkey message.
void poll_joysticks() {
  std::vector<uint16_t> fired;
  state().joysticks.poll(platform::joystick_buttons, fired);
  for (uint16_t id : fired) platform::post_message(platform::main_window(), platform::wm::kHotkey, id, 0);
}

// Brings registrations and hooks in line with the hotkeys; false when a
// hook they need could not be installed (the user has been told).
bool refresh() {
  HotkeyState& s = state();
  SystemRegistrar registrar;
  uint8_t needed = s.table.refresh(registrar, g_launch.hotkeys_suspended);
  set_joystick_poller(s.joysticks.arm(s.table) ? poll_joysticks : nullptr);
  const DirectiveSettings& d = g_script->directives;
  if (d.install_keybd_hook || hook_has_hotstrings()) needed |= NeedKeyboardHook;
  if (d.install_mouse_hook || s.mouse_hook_for_blocking) needed |= NeedMouseHook;
  if (apply_hook_state(s.table, g_launch.hotkeys_suspended, needed)) return true;
  MessageBoxRequest request;
  request.text = message(Msg::HookNotActivated);
  bool ready = g_threads.loaded;
  g_threads.loaded = false;
  (void)show_message_box(request);
  g_threads.loaded = ready;
  return false;
}

// The Hotkey command's changes reach the hooks at the next look at the
// queue, so that a script defining many hotkeys in a row refreshes once
// rather than once per hotkey. Whatever reads the table's verdicts
// (ListHotkeys, an ErrorLevel to set) brings it up to date first.
bool g_refresh_pending = false;

void pending_refresh() {
  if (!g_refresh_pending) return;
  g_refresh_pending = false;
  (void)refresh();
}

bool refresh_now() {
  g_refresh_pending = false;
  return refresh();
}

void refresh_after_change() { (void)refresh_now(); }

bool window_criterion_on_hook(const HotkeyCriterion& c) {
  uintptr_t found = 0;
  WindowCriterionTest test = state().window_test;
  return test && test(c.kind, c.title, c.text, found);
}

// The rate limit: too many firings too fast is most likely a hotkey that
// sends its own key; the user decides whether the script goes on.
bool within_rate_limit() {
  HotkeyState& s = state();
  const DirectiveSettings& d = g_script->directives;
  uint64_t now = platform::tick_count();
  if (s.window_start == 0) s.window_start = now;
  ++s.fired;
  uint64_t elapsed = now - s.window_start;
  if (s.fired > d.max_hotkeys_per_interval && elapsed < uint64_t(d.hotkey_interval)) {
    for (size_t id = 0; id < s.table.size(); ++id)
      for (HotkeyBinding& b : s.table.at(uint16_t(id)).bindings) b.pending_run = false;
    String text = to_string(s.fired) + u" " + String(message(Msg::HotkeysReceivedPiece)) + u" " +
                  to_string(int64_t(elapsed)) + String(message(Msg::HotkeysContinueQuestion));
    MessageBoxRequest request;
    request.text = text;
    request.style = 4;  // Yes and No
    bool ready = g_threads.loaded;
    g_threads.loaded = false;  // no thread starts while the user decides
    s.asking = true;
    MessageBoxAnswer answer = show_message_box(request);
    s.asking = false;
    g_threads.loaded = ready;
    if (answer.code == platform::IdNo) exit_program(ExitReason::Close, 0);
    s.window_start = now;
    s.fired = 0;
    return false;
  }
  if (elapsed >= uint64_t(d.hotkey_interval)) {
    s.window_start = now;
    s.fired = 0;
  }
  return true;
}

// Runs one variant in the thread just launched for it.
void run_binding(uint16_t id, size_t variant) {
  HotkeyState& s = state();
  if (!within_rate_limit()) return;
  HotkeyEntry& e = s.table.at(id);
  g_launch.firing_hotkey_modifiers = e.sided_merged;
  // The Hotkey command may add variants while this one runs: hold it by
  // its index, never by a pointer into the list.
  Callable callable = e.bindings[variant].callable;
  ++e.bindings[variant].running_threads;
  Result r = run_callable(callable);
  HotkeyBinding& b = e.bindings[variant];
  --b.running_threads;
  if (!r) {
    b.pending_run = false;
  } else if (b.pending_run) {
    b.pending_run = false;
    if (platform::tick_count() - b.last_attempt_tick <= kPendingRunFreshMs)
      platform::post_message(platform::main_window(), platform::wm::kHotkey, id, 0);
  }
}

void launch(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  HotkeyState& s = state();
  if (s.asking) return;
  if (message == platform::program_message::kHotstring) {
    launch_hotstring(wparam, lparam);
    return;
  }
  uint16_t id = uint16_t(wparam & 0x3FFF);
  if (id >= s.table.size()) return;
  HotkeyEntry& e = s.table.at(id);
  if (e.action) return;  // Alt-Tab actions are the hook's alone
  size_t numbered = size_t(wparam >> 16);
  uintptr_t found = 0;
  HotkeyBinding* b = nullptr;
  if (numbered >= 1 && numbered <= e.bindings.size()) {
    b = &e.bindings[numbered - 1];
    // The hook chose the variant but cannot hand over the window its
    // criterion found: look it up again for the thread's Last Found Window.
    CriterionKind kind = b->criterion.kind;
    if (kind == CriterionKind::IfWinActive || kind == CriterionKind::IfWinExist) {
      ScriptJudge judge;
      (void)judge.holds(b->criterion, found);
    }
  } else {
    ScriptJudge judge;
    b = HotkeyTable::choose(e, judge, g_launch.hotkeys_suspended, found);
  }
  if (!b) return;
  // Negative criteria found no window to offer.
  if (b->criterion.kind == CriterionKind::IfWinNotActive || b->criterion.kind == CriterionKind::IfWinNotExist) found = 0;
  size_t variant = size_t(b - e.bindings.data());
  CommandId first = first_action(b->callable);
  if (b->running_threads >= b->max_threads && !always_allowed(first)) {
    if (b->max_threads_buffer) b->pending_run = true;
    b->last_attempt_tick = platform::tick_count();
    return;
  }
  b->last_attempt_tick = platform::tick_count();
  if (!thread_gate(b->priority, first)) return;
  note_hotkey_launch(e.name);
  LaunchedThread thread(b->priority, first);
  ThreadSettings& t = *g_thread;
  if (is_wheel_vk(e.key.vk)) t.event_info = lparam;
  t.last_found_window = found;
  t.send_level = b->input_level;
  run_binding(id, variant);
}

// The Hotkey command's options.
struct HotkeyOptions {
  bool use_error_level = false;
  int buffer = -1;        // B / B0
  int input_level = -1;   // I
  int enable = -1;        // On / Off
  bool priority_given = false;
  int32_t priority = 0;   // P
  int max_threads = -1;   // T
};

HotkeyOptions parse_options(StringView text) {
  HotkeyOptions o;
  for (size_t i = 0; i < text.size();) {
    StringView rest = text.substr(i);
    if (starts_with_ignore_case(rest, u"UseErrorLevel")) {
      o.use_error_level = true;
      i += 13;
    } else if (starts_with_ignore_case(rest, u"Off")) {
      o.enable = 0;
      i += 3;
    } else if (starts_with_ignore_case(rest, u"On")) {
      o.enable = 1;
      i += 2;
    } else {
      char16_t c = upper_case(text[i++]);
      if (c == u'B') {
        o.buffer = i < text.size() && text[i] == u'0' ? (++i, 0) : 1;
      } else if (c == u'I') {
        int64_t n = read_option_number(text, i);
        o.input_level = int(n < 0 ? 0 : n > 100 ? 100 : n);
      } else if (c == u'P') {
        o.priority_given = true;
        o.priority = int32_t(read_option_number(text, i));
      } else if (c == u'T') {
        int64_t n = read_option_number(text, i);
        o.max_threads = int(n < 1 ? 1 : n > 255 ? 255 : n);
      }
    }
  }
  return o;
}

void apply_options(HotkeyEntry& e, HotkeyBinding& b, const HotkeyOptions& o) {
  if (o.buffer >= 0) b.max_threads_buffer = o.buffer == 1;
  if (o.input_level >= 0) {
    b.input_level = uint8_t(o.input_level);
    if (o.input_level > 0) e.use_hook = true;
  }
  if (o.priority_given) b.priority = o.priority;
  if (o.max_threads >= 0) b.max_threads = uint8_t(o.max_threads > g_threads.max_threads ? g_threads.max_threads : o.max_threads);
  if (o.enable >= 0) {
    if (e.action) e.enabled = o.enable == 1;
    else b.enabled = o.enable == 1;
  }
}

Result hotkey_failure(HotkeyError error, StringView culprit, const HotkeyOptions& o) {
  if (o.use_error_level) return set_error_level(error_level_of(error));
  return report_runtime_error(message_of(error, culprit));
}

// "Hotkey, IfWinActive, WinTitle, WinText", "Hotkey, If, Expression" and
// their plain forms: the criterion the following Hotkey commands use.
bool set_command_criterion(StringView word, StringView second, StringView third, Result& r) {
  HotkeyCriterion c;
  if (equals_ignore_case(word, u"If")) {
    if (!second.empty()) {
      c.kind = CriterionKind::IfExpression;
      c.if_expression = if_expression_index(second);
      if (c.if_expression < 0) {
        r = report_runtime_error(message(Msg::Param2NoSuchIfExpression), second);
        return true;
      }
    }
  } else if (starts_with_ignore_case(word, u"IfWin")) {
    StringView kind = word.substr(5);
    bool negated = starts_with_ignore_case(kind, u"Not");
    if (negated) kind.remove_prefix(3);
    if (equals_ignore_case(kind, u"Active")) c.kind = negated ? CriterionKind::IfWinNotActive : CriterionKind::IfWinActive;
    else if (equals_ignore_case(kind, u"Exist")) c.kind = negated ? CriterionKind::IfWinNotExist : CriterionKind::IfWinExist;
    else return false;
    if (second.empty() && third.empty()) c = HotkeyCriterion();
    c.title.assign(second);
    c.text.assign(third);
  } else {
    return false;
  }
  state().command_criterion = c;
  r = ResultDone;
  return true;
}

}  // namespace

HotkeyTable& script_hotkeys() { return state().table; }

void set_window_criterion_test(WindowCriterionTest test) { state().window_test = test; }

Result load_hotkeys(ScriptProgram& program) {
  HotkeyState& s = state();
  const KeyboardLayout& layout = system_layout();
  for (const HotkeyDefinition& d : program.hotkeys) {
    program.current_line_number = d.line_number;
    HotkeyCriterion criterion;
    if (!criterion_of(program, d.criterion, criterion)) return ResultFailed;
    Callable callable;
    if (d.func) callable.object = ObjectRef(static_cast<IObject*>(d.func));
    else callable.label = d.label;
    BindingDefaults defaults;
    defaults.use_hook = d.use_hook;
    defaults.max_threads = d.max_threads;
    defaults.max_threads_buffer = d.max_threads_buffer;
    defaults.input_level = d.input_level;
    HotkeyEntry* entry = nullptr;
    String culprit;
    HotkeyError error = s.table.define(d.hotkey, callable, d.alt_tab, criterion, defaults, layout, entry, culprit);
    if (error != HotkeyError::None) return load_error(program, message_of(error, culprit), d.hotkey);
  }
  if (!load_hotstrings(program)) return ResultFailed;
  HookServices services;
  services.window_criterion = window_criterion_on_hook;
  services.if_timeout_ms = uint32_t(program.directives.if_timeout);
  services.history_size = size_t(program.directives.key_history);
  set_hook_services(services);
  const DirectiveSettings& d = program.directives;
  if (s.table.size() == 0 && !have_hotstrings() && !d.install_keybd_hook && !d.install_mouse_hook) return ResultDone;
  set_hotkey_launcher(launch);
  g_launch.refresh_hotkeys = refresh_after_change;
  (void)refresh();
  return ResultDone;
}

void set_mouse_hook_for_blocking(bool on) {
  if (state().mouse_hook_for_blocking == on) return;
  state().mouse_hook_for_blocking = on;
  (void)refresh_now();
}

void note_hotkey_launch(const String& name) {
  g_launch.prior_hotkey = std::move(g_launch.this_hotkey);
  g_launch.prior_hotkey_tick = g_launch.this_hotkey_tick;
  g_launch.this_hotkey = name;
  g_launch.this_hotkey_tick = platform::tick_count();
}

intptr_t answer_if_expression(uintptr_t index) {
  return evaluate_if_expression(int32_t(index)) ? kIfExpressionTrue : 0;
}

void remove_hotkeys() {
  HotkeyTable& table = state().table;
  for (size_t id = 0; id < table.size(); ++id) {
    HotkeyEntry& e = table.at(uint16_t(id));
    if (e.is_registered) platform::unregister_hotkey(e.id);
    e.is_registered = false;
  }
  remove_hooks();
}

void show_hotkeys_view() {
  pending_refresh();
  IntegerFormat f = g_thread->integer_format;
  platform::set_main_window_text(state().table.report(f != IntegerFormat::Decimal, f == IntegerFormat::HexUpper));
  platform::show_main_window();
}

// Hotkey, KeyName [, Label, Options]
Result cmd_hotkey(const ScriptLine& line, ExpandedArgs& args) {
  HotkeyState& s = state();
  StringView key_text = arg_text(args, 0);
  StringView label_text = arg_text(args, 1);
  StringView options_text = arg_text(args, 2);
  Result r = ResultDone;
  if (set_command_criterion(key_text, label_text, options_text, r)) return r;

  HotkeyOptions o = parse_options(options_text);
  const KeyboardLayout& layout = system_layout();
  HotkeyEntry* entry = s.table.find(key_text, layout);
  int toggle = equals_ignore_case(label_text, u"On") ? 1 : equals_ignore_case(label_text, u"Off") ? 2
               : equals_ignore_case(label_text, u"Toggle") ? 3 : 0;
  if (label_text.empty() || toggle) {
    if (!entry) return hotkey_failure(HotkeyError::Nonexistent, key_text, o);
    HotkeyBinding* b = HotkeyTable::find_binding(*entry, s.command_criterion);
    if (!b && !entry->action) return hotkey_failure(HotkeyError::NonexistentVariant, key_text, o);
    if (toggle) {
      bool& enabled = entry->action ? entry->enabled : b->enabled;
      enabled = toggle == 1 ? true : toggle == 2 ? false : !enabled;
    }
    if (b) apply_options(*entry, *b, o);
    else if (o.enable >= 0) entry->enabled = o.enable == 1;
  } else {
    Callable callable;
    uint16_t action = alt_tab_action(label_text);
    if (!action) {
      if (Label* label = line.label() ? line.label() : g_script->find_label(label_text)) {
        callable.label = label;
      } else if (Func* f = find_function(*g_script, label_text)) {
        if (f->min_params > 0) return hotkey_failure(HotkeyError::ParamsMustBeOptional, label_text, o);
        callable.object = ObjectRef(static_cast<IObject*>(f));
      } else {
        return hotkey_failure(HotkeyError::TargetLabelMissing, label_text, o);
      }
    }
    BindingDefaults defaults;
    defaults.max_threads = uint8_t(g_script->directives.max_threads_per_hotkey);
    defaults.max_threads_buffer = g_script->directives.max_threads_buffer;
    defaults.use_hook = g_script->directives.use_hook;
    String culprit;
    HotkeyError error = s.table.define(key_text, callable, action, s.command_criterion, defaults, layout, entry, culprit);
    if (error != HotkeyError::None) return hotkey_failure(error, culprit, o);
    if (HotkeyBinding* b = HotkeyTable::find_binding(*entry, s.command_criterion)) apply_options(*entry, *b, o);
  }
  if (!g_launch.refresh_hotkeys) {
    set_hotkey_launcher(launch);
    g_launch.refresh_hotkeys = refresh_after_change;
  }
  if (!o.use_error_level) {
    g_refresh_pending = true;
    run_at_next_pump(pending_refresh);
    return ResultDone;
  }
  // 51: the hook this hotkey needs could not be installed.
  return set_error_level(refresh_now() ? 0 : 51);
}

Result cmd_list_hotkeys(const ScriptLine&, ExpandedArgs&) {
  show_hotkeys_view();
  return ResultDone;
}

}  // namespace orv
