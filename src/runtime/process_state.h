// Process-wide start-up state: the switches of the command line, the
// script's paths and the flags the error reporter needs. There is one
// program per process, so this is a plain global.
#pragma once

#include "base/text.h"

namespace orv {

// Why the program is ending, for the exit callbacks; None while it is not.
enum class ExitReason { None, Logoff, Shutdown, Close, Error, Menu, Exit, Reload, SingleInstance, Critical };

enum class SingleInstanceMode : int { NotGiven = 0, Prompt = 1, Force = 2, Ignore = 3, Off = 4 };

struct ProcessState {
  bool restart = false;        // /restart: replace a running instance without asking
  bool force = false;          // /force: skip the single-instance check
  bool error_stdout = false;   // /ErrorStdOut or #ErrorStdOut
  bool script_running = false; // loading has finished
  String initial_directory;
  String script_full_path;     // the script is the executable itself
  String script_dir;
  String script_name;
  String main_window_title;    // directory + "\" + file name
  String exe_quoted;           // used to restart
  String exe_dir;
  int exit_code = 0;
  uint32_t current_line_number = 0;  // the line the running thread is on, for crash reports
  ExitReason exit_reason = ExitReason::None;
};

extern ProcessState g_process;

// The exit routine belongs to start-up, above everything it winds down; the
// core and the message pump ask for it here. It runs the exit callbacks,
// then ends the process, and returns only when a callback cancelled the
// exit. Until start-up installs it, the process simply ends.
void exit_program(ExitReason reason, int code);

// The thread the script runs on: start-up names it; until then (unit
// tests, tools) every thread counts as the script's. Work that calls back
// into the script (regular-expression callouts) happens only there.
void note_script_thread();
bool on_script_thread();
void set_exit_routine(void (*routine)(ExitReason reason, int code));

}  // namespace orv
