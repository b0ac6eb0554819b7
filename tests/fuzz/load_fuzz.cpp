// Fuzz target: loading a script text. Every input is read as the stored
// script of a program (byte-order marks, packed lines, continuation sections,
// directives, definitions, the block pass) and must load or end in a load
// error; nothing runs.
#include <cstddef>
#include <cstdint>

#include "parser/block_pass.h"
#include "parser/line_parser.h"
#include "runtime/script_program.h"
#include "platform/posix/headless.h"
#include "runtime/calls.h"
#include "runtime/func.h"
#include "runtime/variable.h"
#include "runtime/process_state.h"
#include "startup/script_reader.h"
#include "base/text_source.h"
#include "objects/object_model.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orv::platform::discard_output(true);
  orv::platform::confine(0);
  orv::install_object_model();
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
  // A program lives as long as its process, and its variables longer than
  // the program in the pool they share. Here one process reads program after
  // program: what loading stored in variables (class objects) is released,
  // then the program and the variables go, so that memory stays flat and a
  // leak of loading stands out.
  auto release = [](orv::Variable* v) { v->free_buffer(orv::FreeMode::Release, true); };
  program->globals.for_each(release);
  for (orv::Func* f : program->functions) {
    f->statics.for_each(release);
    f->locals.for_each(release);
  }
  orv::g_script = nullptr;
  delete program;
  orv::discard_permanent_pool();
  return 0;
}
