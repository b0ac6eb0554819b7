// Fuzz target: loading a script text. Every input is read as the stored
// script of a program (byte-order marks, packed lines, continuation sections,
// directives, definitions, the block pass) and must load or end in a load
// error; nothing runs.
#include <cstddef>
#include <cstdint>

#include "parser/block_pass.h"
#include "parser/line_parser.h"
#include "parser/script_program.h"
#include "platform/posix/headless.h"
#include "runtime/calls.h"
#include "startup/process_state.h"
#include "startup/script_reader.h"
#include "startup/text_source.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orv::platform::discard_output(true);
  orv::platform::confine(0);
  orv::connect_object_model();
  // Load errors go to standard output (discarded) instead of a message box.
  orv::g_process.error_stdout = true;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto* program = new orv::ScriptProgram();
  orv::g_script = program;
  program->source_files.push_back(u"fuzz.orv");
  orv::TextSource source;
  if (source.open(data, size)) {
    orv::LineParser parser(*program);
    orv::ScriptReader reader(*program, parser);
    if (reader.load(source)) (void)orv::resolve_blocks(*program);
  }
  orv::g_script = nullptr;
  delete program;
  return 0;
}
