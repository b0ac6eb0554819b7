// Process-wide start-up state: the switches of the command line, the
// script's paths and the flags the error reporter needs. There is one
// program per process, so this is a plain global.
#pragma once

#include "base/text.h"

namespace orv {

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
};

extern ProcessState g_process;

}  // namespace orv
