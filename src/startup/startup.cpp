#include "startup/startup.h"

#include <cstdlib>

#include "base/messages.h"
#include "events/clipboard_callbacks.h"
#include "events/host_calls.h"
#include "events/message_pump.h"
#include "events/timers.h"
#include "input/hotkey_table.h"
#include "gui/gui_events.h"
#include "gui/menus.h"
#include "input/hotkeys.h"
#include "objects/dispatch_bridge.h"
#include "objects/object_model.h"
#include "parser/block_pass.h"
#include "parser/line_parser.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "runtime/calls.h"
#include "runtime/errors.h"
#include "runtime/executor.h"
#include "runtime/process_state.h"
#include "runtime/scope.h"
#include "runtime/stack_guard.h"
#include "runtime/thread_settings.h"
#include "runtime/text_stream.h"
#include "runtime/tray_icon_settings.h"
#include "runtime/variable.h"
#include "startup/command_line.h"
#include "startup/exit.h"
#include "startup/main_window_events.h"
#include "startup/script_reader.h"
#include "startup/single_instance.h"
#include "windows/window_commands.h"

namespace orv {

TrayIconSettings g_tray_icon;
ScriptProgram* g_script = nullptr;

namespace {

void compute_script_paths() {
  String full = platform::executable_path();
  size_t slash = full.find_last_of(u"\\/");
  g_process.script_full_path = full;
  g_process.script_dir = slash == String::npos ? String() : full.substr(0, slash);
  g_process.script_name = slash == String::npos ? full : full.substr(slash + 1);
  g_process.main_window_title = g_process.script_dir + u"\\" + g_process.script_name;
  g_process.exe_quoted = u"\"" + full + u"\"";
  g_process.exe_dir = g_process.script_dir;
}

Result load_script(ScriptProgram& program) {
  program.source_files.push_back(g_process.script_full_path);
  std::vector<uint8_t> bytes;
  TextSource source(read_script_text);
  if (!platform::read_script_source(bytes) || !source.open(bytes.data(), bytes.size()))
    return load_error(program, message(Msg::ScriptNotExtracted));
  LineParser parser(program);
  ScriptReader reader(program, parser);
  if (!reader.load(source)) return ResultFailed;
  if (!resolve_blocks(program)) return ResultFailed;
  // Loading may have changed the current directory; scripts start from the
  // directory the program was started in.
  if (!g_process.initial_directory.empty()) platform::set_current_directory(g_process.initial_directory);
  std::srand(platform::system_time_low32());
  return ResultDone;
}

// Script parameter n goes to the variable named n; "0" holds their count.
void set_script_parameters(ScriptProgram& program, const std::vector<String>& params) {
  for (size_t i = 0; i < params.size(); ++i) {
    Variable* v = find_or_add_variable(program, to_string(int64_t(i + 1)));
    // A parameter over the memory limit stays empty; start-up goes on.
    if (v) (void)v->assign(params[i]);
  }
  if (Variable* count = find_or_add_variable(program, u"0")) (void)count->assign_int(int64_t(params.size()));
}

bool is_persistent(const ScriptProgram& program) {
  // Hotkeys made by the Hotkey command count as much as those in the text.
  return program.directives.persistent || program.directives.persistent_by_gui || program.has_hotkeys_or_hotstrings() ||
         script_hotkeys().size() > 0 || enabled_timer_count() > 0;
}

}  // namespace

int run_program(const std::vector<String>& args) {
  use_this_thread_stack();
  platform::set_fail_critical_errors();
  // The layers above the core hand it what it calls upward.
  set_exit_routine(run_exit_routine);
  install_message_pump();
  install_object_model();
  install_dispatch_bridge();
  install_window_search();
  install_menus();
  install_gui();
  g_process.initial_directory = platform::current_directory();

  CommandLine cl = parse_command_line(args);
  g_process.restart = cl.restart;
  g_process.force = cl.force;
  g_process.error_stdout = cl.error_stdout;

  compute_script_paths();

  // The program lives until the process ends, so it is never destroyed.
  g_script = new ScriptProgram();
  note_script_thread();
  ScriptProgram& program = *g_script;
  program.script_params = cl.script_params;
  set_script_parameters(program, cl.script_params);
  if (!load_script(program)) return 2;
  g_var_settings.memory_limit = program.directives.max_var_capacity;
  g_var_settings.format_int_on_assign = program.format_int_on_assign;
  g_var_settings.format_float_on_assign = program.format_float_on_assign;
  if (Variable* error_level = find_or_add_variable(program, u"ErrorLevel")) (void)error_level->assign(u"0");

  switch (resolve_single_instance(program)) {
    case InstanceDecision::Continue: break;
    case InstanceDecision::ExitQuietly: return 0;
    case InstanceDecision::Fail: return 2;
  }

  platform::relax_foreground_lock();

  platform::MainWindowOptions window;
  window.title = g_process.main_window_title;
  g_tray_icon.hidden = program.directives.no_tray_icon;
  window.tray_icon = !g_tray_icon.hidden;
  window.tray_tip = g_process.script_name;
  platform::set_main_window_handler(events::on_main_window_message);
  if (!platform::create_main_window(window)) return 2;
  if (!load_hotkeys(program)) return 2;

  platform::set_stdout_unbuffered();
  platform::install_access_violation_handler(
      [](uint32_t& line, String& file) {
        line = g_process.current_line_number;
        file = g_process.script_full_path;
      },
      program.directives.warn_continuable_exception);

  // The auto-execute section.
  g_process.script_running = true;
  begin_auto_execute(program.directives.max_threads);
  update_clipboard_watch();
  // Hosts may call in from here on: their requests wait in the queue for
  // the auto-execute section's next look at it.
  host::set_ready(true);
  Result r = run_static_initializers(program);
  if (r) r = execute_from(program, program.first_line);
  // Every later thread starts with what the auto-execute section left.
  end_auto_execute();
  if (Variable* error_level = find_or_add_variable(program, u"ErrorLevel")) (void)error_level->assign(u"0");
  // An auto-execute section that failed is a failed run to whoever started
  // the program (a scheduler, a build), not a success.
  if (!is_persistent(program)) {
    if (r) exit_program(ExitReason::Exit, g_process.exit_code);
    else exit_program(ExitReason::Error, g_process.exit_code ? g_process.exit_code : 2);
  }
  pump_forever();
}

}  // namespace orv
