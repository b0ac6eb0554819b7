#include "runtime/executor.h"

#include "platform/platform.h"
#include "runtime/errors.h"

namespace orv {

namespace {

bool is_function_body(const ScriptLine* line) {
  return line->action == CmdBlockBegin && reinterpret_cast<uintptr_t>(line->attribute) == 1;
}

// Passes over a function body: execution never falls into one.
ScriptLine* after_block(ScriptLine* open) {
  int depth = 0;
  for (ScriptLine* l = open; l; l = l->next) {
    if (l->action == CmdBlockBegin) ++depth;
    else if (l->action == CmdBlockEnd && --depth == 0) return l->next;
  }
  return nullptr;
}

}  // namespace

Result execute_from(ScriptProgram& program, ScriptLine* line) {
  while (line) {
    switch (line->action) {
      case CmdBlockBegin:
        if (is_function_body(line)) {
          line = after_block(line);
          continue;
        }
        break;
      case CmdBlockEnd:
        break;
      case CmdExit:
      case CmdReturn:
        return ResultDone;
      default: {
        const CommandInfo& info = command_info(line->action);
        String what = info.name[0] ? String(info.name) : String(u"This line");
        return line_error(program, line, u"\"" + what + u"\" is not yet available.");
      }
    }
    line = line->next;
  }
  return ResultDone;
}

}  // namespace orv
