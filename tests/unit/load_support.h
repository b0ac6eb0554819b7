// Loading a script text the way the program does, for tests that look at
// what loading built or at the load error it printed.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "parser/line_parser.h"
#include "runtime/script_program.h"
#include "runtime/process_state.h"
#include "startup/script_reader.h"
#include "base/text_source.h"

namespace orv {

// Sends error reports to stdout, as /ErrorStdOut does, and collects them.
class ErrorCapture {
 public:
  ErrorCapture() {
    saved_ = g_process;
    g_process.error_stdout = true;
    g_process.script_running = false;
    testing::internal::CaptureStdout();
  }
  ~ErrorCapture() {
    if (!taken_) take();
    g_process = saved_;
  }
  std::string take() {
    fflush(stdout);
    taken_ = true;
    return testing::internal::GetCapturedStdout();
  }

 private:
  ProcessState saved_;
  bool taken_ = false;
};

// Reads `text` (UTF-8) into `program` as the script "S"; false on a load
// error, whose report goes to `printed`.
inline bool load_text(ScriptProgram& program, std::string_view text, std::string& printed) {
  program.source_files.push_back(u"S");
  LineParser parser(program);
  ScriptReader reader(program, parser);
  TextSource source;
  source.open_text(utf8_to_utf16(text));
  ErrorCapture capture;
  bool ok = reader.load(source);
  printed = capture.take();
  return ok;
}

}  // namespace orv
