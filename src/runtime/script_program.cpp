#include "runtime/script_program.h"

#include "runtime/func.h"

namespace orv {

ScriptProgram::~ScriptProgram() {
  for (Func* f : functions) f->~Func();
}

}  // namespace orv
