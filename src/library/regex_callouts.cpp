#include "library/regex_callouts.h"

#include <pcre2.h>

#include <vector>

#include "library/regex_match_object.h"
#include "runtime/calls.h"
#include "runtime/evaluator.h"
#include "runtime/func.h"
#include "runtime/process_state.h"
#include "runtime/scope.h"
#include "runtime/script_program.h"
#include "runtime/variable.h"

namespace orv {

namespace {

constexpr int kCalloutParams = 5;

// The function pcre_callout names (or holds), as the script would resolve it.
IObject* callout_function() {
  Variable* v = find_variable(*g_script, u"pcre_callout");
  if (!v) return nullptr;
  Variable& t = v->target();
  if (t.attributes & AttrObject) return t.contents.object;
  char16_t buf[256];
  ExprToken var{};
  var.symbol = SymVar;
  var.var = &t;
  StringView name = token_to_text(var, buf);
  return name.empty() ? nullptr : function_object(name);
}

int on_callout(pcre2_callout_block* block, void* data) {
  auto& call = *static_cast<CalloutCall*>(data);
  IObject* function = callout_function();
  if (!function) return 0;
  int wanted = kCalloutParams;
  if (auto* f = dynamic_cast<Func*>(function)) {
    if (!f->variadic && f->max_params < wanted) wanted = f->max_params;
  }
  size_t start = block->start_match, now = block->current_position;
  // Inside a lookbehind the matcher stands before where the attempt began.
  if (now < start) now = start;
  TempArena::Scope scope;
  OwnedToken match;
  ExprToken args[kCalloutParams];
  for (ExprToken& a : args) a = text_token(StringView());
  if (wanted > 0) {
    switch (call.regex->mode) {
      case RegexOutputMode::Plain:
        if (!temp_text_token(call.subject.substr(start, now - start), SymString, args[0])) return PCRE2_ERROR_NOMEMORY;
        break;
      case RegexOutputMode::Positions: args[0] = int_token(int64_t(now - start)); break;
      case RegexOutputMode::Object: {
        // The whole match so far, then the groups captured up to here.
        std::vector<size_t> ovector(2 * size_t(block->capture_top), PCRE2_UNSET);
        ovector[0] = start;
        ovector[1] = now;
        for (uint32_t i = 2; i < 2 * block->capture_top; ++i) ovector[i] = block->offset_vector[i];
        auto mark = block->mark ? StringView(reinterpret_cast<const char16_t*>(block->mark)) : StringView();
        IObject* object = new_regex_match_object(call.regex, call.subject, ovector.data(), block->capture_top, mark);
        if (!object) return PCRE2_ERROR_NOMEMORY;
        match = OwnedToken::adopt(object_token(object));
        args[0] = *match;
        break;
      }
    }
  }
  args[1] = int_token(block->callout_number);
  args[2] = int_token(int64_t(start) + 1);
  args[3] = text_token(call.subject);
  args[4] = text_token(call.needle);
  ExprToken* params[kCalloutParams];
  for (int i = 0; i < kCalloutParams; ++i) params[i] = &args[i];
  ObjectRef hold(function);
  ExprToken self = object_token(function);
  OwnedToken result;
  Result r = function->invoke(result.out(), self, InvokeCall | InvokeAsFunctionObject, params, wanted);
  if (r == ResultFailed || r == ResultExitThread) {
    // The thread ends (or an exception is on its way): the engine is told
    // to stop, and the caller passes the outcome on once it has returned.
    call.failure = r;
    return PCRE2_ERROR_CALLOUT;
  }
  if (r != ResultReturned || token_numeric_type(*result) == NumType::NotNumeric) return 0;
  int64_t answer = token_to_int(*result);
  if (answer > 0) return 1;
  if (answer < 0) {
    call.script_code = true;
    call.code = answer < INT32_MIN ? INT32_MIN : int(answer);
    return call.code;
  }
  return 0;
}

}  // namespace

void attach_callouts(RegexMatcher& matcher, CalloutCall& call) {
  if (on_script_thread() && g_script) matcher.set_callout(on_callout, &call);
}

}  // namespace orv
