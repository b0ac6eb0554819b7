#include "runtime/builtin_vars.h"

#include <cstring>

#include "events/thread_settings.h"
#include "runtime/evaluator.h"
#include "runtime/variable.h"
#include "startup/process_state.h"

namespace orv {

namespace {

Result text_value(StringView text, ExprToken& out) { return temp_text_token(text, SymOperand, out); }

}  // namespace

Result builtin_variable_value(StringView name, ExprToken& out) {
  StringView n = name.size() > 2 && name[1] == u'_' ? name.substr(2) : name;
  if (equals_ignore_case(n, u"Index")) {
    out = ExprToken{};
    out.symbol = SymInteger;
    out.integer = g_thread->loop_index;
    return ResultDone;
  }
  if (equals_ignore_case(n, u"LoopField")) return text_value(g_thread->loop_field, out);
  if (equals_ignore_case(n, u"LoopReadLine")) return text_value(g_thread->loop_read_line, out);
  if (equals_ignore_case(n, u"Space")) return text_value(u" ", out);
  if (equals_ignore_case(n, u"Tab")) return text_value(u"\t", out);
  if (equals_ignore_case(n, u"ScriptName")) return text_value(g_process.script_name, out);
  if (equals_ignore_case(n, u"ScriptDir")) return text_value(g_process.script_dir, out);
  if (equals_ignore_case(n, u"ScriptFullPath")) return text_value(g_process.script_full_path, out);
  // The rest of the table arrives with the subsystems that produce them.
  return text_value(StringView(), out);
}

size_t produce_builtin_variable(char16_t* dest, const Variable& var) {
  TempArena::Mark mark = temp_arena().mark();
  ExprToken value{};
  size_t n = 0;
  if (builtin_variable_value(var.name_view(), value)) {
    char16_t buf[256];
    StringView text = token_to_text(value, buf);
    n = text.size();
    if (dest) {
      if (n) std::memcpy(dest, text.data(), n * sizeof(char16_t));
      dest[n] = 0;
    }
  } else if (dest) {
    dest[0] = 0;
  }
  temp_arena().release(mark);
  return n;
}

}  // namespace orv
