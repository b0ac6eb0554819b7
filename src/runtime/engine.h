// The engine that runs lines: one instance per thread entry (the
// auto-execute section, a function body, a subroutine). It follows the links
// the block pass stored in the lines, so nothing is searched at run time.
//
// Every step returns a result code; a step may also set `jump` to a line
// outside its own block (a Goto, a labelled Break or Continue), and each
// enclosing level continues there when the line belongs to it (same parent)
// or passes the jump further out.
#pragma once

#include "base/result.h"
#include "runtime/script_program.h"
#include "runtime/executor.h"
#include "runtime/value.h"

namespace orv {

class Engine {
 public:
  explicit Engine(ScriptProgram& program, CallResult* result = nullptr) : program_(program), result_(result) {}
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // The auto-execute section and other threads: from `first` until Return or Exit.
  Result run_thread(ScriptLine* first);
  // One statement (with its body) in the running thread's context: a host
  // walking the script line by line.
  Result run_one_line(ScriptLine* line);
  // A function body, from its "{".
  Result run_function_body(ScriptLine* open_brace);
  // A static initialiser line.
  Result run_static(ScriptLine* line);
  // A value thrown in this thread that no Catch took: shown as an error.
  Result report_unhandled_throw();

 private:
  // Lines from `first` up to (not including) `stop`, at the level whose
  // lines have `level` as parent.
  Result run_lines(ScriptLine* first, ScriptLine* stop, const ScriptLine* level, ScriptLine*& jump);
  // The body of an if, loop, else, Try, Catch or Finally: a block or one line.
  Result run_body(ScriptLine* body, ScriptLine*& jump);
  Result statement(ScriptLine* line, ScriptLine*& next, ScriptLine*& jump);
  Result command(ScriptLine* line);

  Result run_if(ScriptLine* line, ScriptLine*& next, ScriptLine*& jump);
  Result run_try(ScriptLine* line, ScriptLine*& next, ScriptLine*& jump);
  Result run_gosub(ScriptLine* line);
  Result run_goto(ScriptLine* line, ScriptLine*& jump);
  Result run_break_continue(ScriptLine* line, ScriptLine*& jump);
  Result run_throw(ScriptLine* line);
  void show_unhandled_object(class IObject* object);

  // Loops (loops.cpp).
  Result run_loop(ScriptLine* line, ScriptLine*& jump);
  Result loop_iteration(ScriptLine* loop, ScriptLine*& jump, bool& stop);
  Result loop_count(ScriptLine* loop, int64_t count, ScriptLine*& jump);
  Result loop_while(ScriptLine* loop, ScriptLine*& jump);
  Result loop_parse(ScriptLine* loop, ScriptLine*& jump);
  Result loop_read(ScriptLine* loop, ScriptLine*& jump);
  Result loop_for(ScriptLine* loop, ScriptLine*& jump);
  Result loop_files(ScriptLine* loop, bool new_form, ScriptLine*& jump);
  Result loop_registry(ScriptLine* loop, bool new_form, ScriptLine*& jump);
  Result registry_level(ScriptLine* loop, const String& root, const String& subkey,
                        const struct RegistryLoopMode& mode, ScriptLine*& jump, bool& stop);
  Result file_loop_directory(ScriptLine* loop, const String& prefix, const String& name_pattern,
                             const struct FileLoopMode& mode, ScriptLine*& jump, bool& stop);

  Result assign_expression(const ScriptLine& line);
  Result return_value(const ScriptLine& line);
  Result condition_of(const ScriptLine& line, int arg, bool& truth);

  // The argument buffer, taken on the first line that expands arguments:
  // most function bodies never do, and a fresh one per call was a tenth of
  // the cost of a small function.
  ExpandedArgs& args() { return args_ ? *args_ : take_args(); }
  ExpandedArgs& take_args();

  ScriptProgram& program_;
  CallResult* result_;
  ExpandedArgs* args_ = nullptr;
};

// The line after a loop, past its Until when it has one.
ScriptLine* after_loop(ScriptLine* loop);

}  // namespace orv
