// Exceptions as objects: an error inside Try, a Throw without a value and
// the Exception() function all make an Object with What, File, Line,
// Message and (when there is one) Extra.
#include "base/messages.h"
#include "objects/object_model.h"
#include "runtime/builtin_functions.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/func.h"
#include "runtime/process_state.h"
#include "runtime/script_program.h"
#include "runtime/thread_settings.h"

namespace orv {

namespace {

Ref<Object> build_exception(const ScriptLine* line, StringView message, StringView what, StringView extra) {
  Ref<Object> e = Ref<Object>::adopt(Object::create());
  if (!e) return e;
  String what_text(what);
  if (what_text.empty() && line) what_text = command_info(line->action).name;
  String file = g_process.script_full_path;
  if (line && g_script && line->file_index < g_script->source_files.size()) file = g_script->source_files[line->file_index];
  ExprToken line_number{};
  line_number.symbol = SymInteger;
  line_number.integer = line ? line->line_number : 0;
  bool ok = e->set_raw(u"What", text_token(what_text)) && e->set_raw(u"File", text_token(file)) &&
            e->set_raw(u"Line", line_number) && e->set_raw(u"Message", text_token(message));
  if (ok && !extra.empty()) ok = e->set_raw(u"Extra", text_token(extra));
  if (!ok) e.reset();
  return e;
}

}  // namespace

// The exception becomes the thread's pending thrown value.
Result make_exception(const ScriptLine* line, StringView message, StringView what, StringView extra) {
  Ref<Object> e = build_exception(line, message, what, extra);
  if (!e) return report_runtime_error(orv::message(Msg::OutOfMemoryThreadExits));
  ThreadSettings& t = *g_thread;
  t.thrown.object.reset();
  t.thrown.text.clear();
  t.thrown.pending = true;
  t.thrown.symbol = SymObject;
  t.thrown.object = std::move(e);
  t.thrown.line = line;
  return ResultFailed;
}

// Exception(Message [, What, Extra])
Result builtin_exception(Func& func, ExprToken& result, ExprToken* args, int argc) {
  (void)func;
  char16_t b0[256], b1[256], b2[256];
  StringView message = token_to_text(args[0], b0);
  StringView what = argc > 1 && args[1].symbol != SymMissing ? token_to_text(args[1], b1) : StringView();
  StringView extra = argc > 2 && args[2].symbol != SymMissing ? token_to_text(args[2], b2) : StringView();
  String what_text(what);
  if (argc < 2 && g_thread->current_func) what_text = g_thread->current_func->name;
  Ref<Object> e = build_exception(g_thread->current_line, message, what_text, extra);
  if (!e) return report_runtime_error(orv::message(Msg::OutOfMemory));
  result = object_token(e.detach());
  return ResultDone;
}

}  // namespace orv
