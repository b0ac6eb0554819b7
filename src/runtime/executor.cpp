#include "runtime/executor.h"

#include "base/messages.h"
#include "runtime/engine.h"

#include <cstring>
#include <memory>
#include <vector>

#include "platform/platform.h"
#include "runtime/calls.h"
#include "runtime/conditions.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/line_history.h"
#include "runtime/line_pacing.h"
#include "runtime/object.h"
#include "runtime/process_state.h"
#include "runtime/scope.h"
#include "runtime/stack_guard.h"
#include "runtime/thread_settings.h"
#include "runtime/variable.h"
#include "runtime/warnings.h"

namespace orv {

// --- argument expansion ---------------------------------------------------------------

Result ExpandedArgs::expand(const ScriptLine& line) {
  if (holds_objects_) release_objects();
  count = line.arg_count;
  buffer.clear();
  size_t offsets[kMaxArgs + 1];
  for (int i = 0; i < count && i < kMaxArgs; ++i) {
    const LineArg& arg = line.args[i];
    vars[i] = nullptr;
    offsets[i] = buffer.size();
    if (arg.kind != ParamKind::Normal && !arg.is_expression && !(line.action == CmdLoop && i == 1)) {
      if (!arg.dynamic_name) {
        // A plain variable name was resolved when the line was read.
        vars[i] = arg.ref.var;
        if (arg.kind == ParamKind::InputVar) {
          char16_t numbuf[256];
          ExprToken t{};
          t.symbol = SymVar;
          t.var = arg.ref.var;
          buffer += token_to_text(t, numbuf);
        }
        continue;
      }
    }
    if (arg.is_expression) {
      TempArena::Scope scope;
      OwnedToken value;
      if (Result r = evaluate(arg.postfix, value.out()); r != ResultDone) return r;
      char16_t numbuf[256];
      buffer += token_to_text(*value, numbuf);
      if (value.is_object()) {
        objects[i] = ObjectRef::adopt(value.detach().object);
        holds_objects_ = true;
      }
      continue;
    }
    if (!append_with_derefs(arg)) return ResultFailed;
    Variable* sole = arg.kind == ParamKind::Normal ? sole_deref_var(arg.ref.derefs, arg.text, arg.length) : nullptr;
    if (sole) {
      // The parameter is one variable: "% f" and "%f%" pass the object it holds.
      Variable& v = sole->target();
      if (v.holds_object()) {
        objects[i] = ObjectRef(v.contents.object);
        holds_objects_ = true;
      }
    }
    if (arg.kind != ParamKind::Normal) {
      // A name built at run time.
      StringView name = StringView(buffer).substr(offsets[i]);
      if (name.empty())
        return report_runtime_error(message(Msg::DynamicVarBlank), arg.view());
      Variable* v = find_or_add_variable(*g_script, name);
      if (!v) return ResultFailed;
      if (arg.kind == ParamKind::OutputVar && v->is_read_only())
        return report_runtime_error(message(Msg::NotOutputVar));
      vars[i] = v;
      buffer.resize(offsets[i]);
      if (arg.kind == ParamKind::InputVar) {
        char16_t numbuf[256];
        ExprToken t{};
        t.symbol = SymVar;
        t.var = v;
        buffer += token_to_text(t, numbuf);
      }
    }
  }
  offsets[count] = buffer.size();
  for (int i = 0; i < count; ++i) text[i] = StringView(buffer).substr(offsets[i], offsets[i + 1] - offsets[i]);
  return ResultDone;
}

void ExpandedArgs::clear() {
  if (holds_objects_) release_objects();
  count = 0;
  for (int i = 0; i < kMaxArgs; ++i) {
    text[i] = StringView();
    vars[i] = nullptr;
  }
  buffer.clear();
}

void ExpandedArgs::release_objects() {
  for (ObjectRef& object : objects) object.reset();
  holds_objects_ = false;
}

Variable* ExpandedArgs::resolve_name(const LineArg& arg) {
  buffer.clear();
  if (!append_with_derefs(arg)) return nullptr;
  if (buffer.empty()) {
    (void)report_runtime_error(message(Msg::DynamicVarBlank), arg.view());
    return nullptr;
  }
  Variable* v = find_or_add_variable(*g_script, buffer);
  if (v && arg.kind == ParamKind::OutputVar && v->is_read_only()) {
    (void)report_runtime_error(message(Msg::NotOutputVar));
    return nullptr;
  }
  return v;
}

bool ExpandedArgs::append_with_derefs(const LineArg& arg) {
  StringView text = arg.view();
  const DerefRecord* d = arg.ref.derefs;
  if (!d) {
    buffer += text;
    return true;
  }
  size_t pos = 0;
  for (; d->marker; ++d) {
    size_t at = size_t(d->marker - arg.text);
    buffer += text.substr(pos, at - pos);
    char16_t numbuf[256];
    ExprToken t{};
    t.symbol = SymVar;
    t.var = d->target.var;
    Variable& v = t.var->target();
    if ((v.attributes & AttrUninitialized) && v.type == VarType::Normal) warn_unset_variable(v);
    StringView value = token_to_text(t, numbuf);
    if (over_memory_limit(buffer.size() + value.size() + 1)) {
      (void)report_memory_limit();
      return false;
    }
    buffer += value;
    pos = at + d->length;
  }
  buffer += text.substr(pos);
  return true;
}

// --- the engine --------------------------------------------------------------------------

namespace {

// The value of a legacy math assignment's operand: non-numeric counts as 0.
ExprToken legacy_number(StringView text) {
  ExprToken t{};
  NumType type = numeric_type_of(text);
  if (type == NumType::Float) {
    t.symbol = SymFloat;
    t.number = text_to_double(text);
  } else {
    t.symbol = SymInteger;
    t.integer = type == NumType::Integer ? text_to_int(text) : 0;
  }
  return t;
}

Result apply_legacy_math(CommandId action, Variable& v, const ExprToken& b) {
  NumType ta = v.numeric_type();
  bool floats = ta == NumType::Float || b.symbol == SymFloat;
  if (!floats) {
    int64_t x = ta == NumType::Integer ? v.to_int() : 0, y = b.integer;
    switch (action) {
      case CmdAddAssign: return v.assign_int(int64_t(uint64_t(x) + uint64_t(y)));
      case CmdSubAssign: return v.assign_int(int64_t(uint64_t(x) - uint64_t(y)));
      case CmdMultAssign: return v.assign_int(int64_t(uint64_t(x) * uint64_t(y)));
      default:
        if (y == 0) return v.assign_empty();
        // The smallest integer divided by -1 does not fit; it wraps, as the
        // other operators do, instead of faulting.
        if (y == -1) return v.assign_int(int64_t(0 - uint64_t(x)));
        if (x % y == 0) return v.assign_int(x / y);
        return v.assign_double(double(x) / double(y));
    }
  }
  double x = ta == NumType::NotNumeric ? 0 : v.to_double();
  double y = b.symbol == SymFloat ? b.number : double(b.integer);
  switch (action) {
    case CmdAddAssign: return v.assign_double(x + y);
    case CmdSubAssign: return v.assign_double(x - y);
    case CmdMultAssign: return v.assign_double(x * y);
    default: return y == 0 ? v.assign_empty() : v.assign_double(x / y);
  }
}

Result legacy_math(const ScriptLine& line, ExpandedArgs& args) {
  Variable* target = args.vars[0];
  if (!target) return ResultDone;
  if (line.action == CmdAddAssign || line.action == CmdSubAssign) {
    if (args.count > 2 && !args.text[2].empty()) return cmd_not_available(line, args);  // date arithmetic
  }
  return apply_legacy_math(line.action, target->target(), legacy_number(args.count > 1 ? args.text[1] : StringView()));
}

// x += expression, the common case: an integer result is used as it is
// rather than written out as text and read back. Any other result goes the
// text way, which rounds floats to the thread's format as it always has.
bool legacy_math_fast(const ScriptLine& line, Result& r) {
  if (line.arg_count != 2 || !line.args[1].is_expression || line.args[0].dynamic_name || !line.args[0].ref.var)
    return false;
  ExprToken b;
  {
    TempArena::Scope scope;
    OwnedToken value;
    if (Result evaluated = evaluate(line.args[1].postfix, value.out()); evaluated != ResultDone) {
      r = evaluated;
      return true;
    }
    b = *value;
    if (value->symbol != SymInteger) {
      char16_t buf[256];
      b = legacy_number(token_to_text(*value, buf));
    }
  }
  r = apply_legacy_math(line.action, line.args[0].ref.var->target(), b);
  return true;
}

}  // namespace

// --- the engine ----------------------------------------------------------------------------

namespace {

bool is_if_line(CommandId id) {
  return (id >= CmdIfIn && id <= CmdIfLessOrEqual) || (id >= CmdIfWinExist && id <= CmdIfMsgBox);
}

// The "}" that closes the block opened by `open`.
ScriptLine* closing_brace(ScriptLine* open) {
  if (open->related) return open->related->prev;
  return g_script->last_line;
}


// A label named only when the line runs must pass the checks the block pass
// makes for one named in the text; otherwise the jump would find no level
// to land on and the thread would end without a word.
Result check_dynamic_target(const ScriptLine* line, const ScriptLine* target, bool& leaves_function) {
  const ScriptLine* target_parent = target->parent;
  if (target_parent && !is_ancestor(target_parent, line))
    return report_runtime_error(message(Msg::JumpIntoBlock));
  leaves_function = inside_function(line) && !inside_function(target);
  if (line->action != CmdGoto) return ResultDone;
  if (leaves_function) return report_runtime_error(message(Msg::JumpOutOfFunction));
  for (const ScriptLine* p = line->parent; p && p != target_parent; p = p->parent)
    if (p->action == CmdFinally) return report_runtime_error(message(Msg::JumpOutOfFinally));
  return ResultDone;
}

void clear_thrown() {
  ThreadSettings& t = *g_thread;
  // The object goes while the value still counts as pending, so that
  // whatever its __Delete throws gives way to it and goes with it.
  t.thrown.object.reset();
  t.thrown = ThrownValue();
}

}  // namespace

ScriptLine* after_loop(ScriptLine* loop) {
  ScriptLine* end = loop->related;
  if (end && end->action == CmdUntil && loop->action != CmdWhile) return end->next;
  return end;
}

Result Engine::run_thread(ScriptLine* first) {
  ScriptLine* jump = nullptr;
  Result r = run_lines(first, nullptr, nullptr, jump);
  if (r == ResultReturned || r == ResultExitThread) r = ResultDone;
  return g_thread->thrown.pending ? report_unhandled_throw() : r;
}

Result Engine::run_one_line(ScriptLine* line) {
  ScriptLine* next = nullptr;
  ScriptLine* jump = nullptr;
  Result r = statement(line, next, jump);
  if (r == ResultReturned || r == ResultExitThread) r = ResultDone;
  return g_thread->thrown.pending ? report_unhandled_throw() : r;
}

Result Engine::report_unhandled_throw() {
  // The thread ends with a value no Catch took.
  char16_t buf[256];
  ExprToken t{};
  StringView text;
  if (g_thread->thrown.symbol == SymInteger) {
    t.symbol = SymInteger, t.integer = g_thread->thrown.integer;
    text = token_to_text(t, buf);
  } else if (g_thread->thrown.symbol == SymFloat) {
    t.symbol = SymFloat, t.number = g_thread->thrown.number;
    text = token_to_text(t, buf);
  } else if (g_thread->thrown.symbol == SymObject) {
    show_unhandled_object(g_thread->thrown.object.get());
    clear_thrown();
    return ResultFailed;
  } else {
    text = g_thread->thrown.text;
  }
  show_unhandled_exception(program_, text, g_thread->thrown.line);
  clear_thrown();
  return ResultFailed;
}

// An object thrown and never caught: its Message and Extra are shown, at
// the line its Line and File name when that is one of the script's lines.
void Engine::show_unhandled_object(IObject* object) {
  auto member = [&](const char16_t* name, String& out) {
    ExprToken key{};
    key.symbol = SymString;
    key.text = name;
    key.length = uint32_t(StringView(name).size());
    ExprToken self{};
    self.symbol = SymObject;
    self.object = object;
    ExprToken* params[2] = {&self, &key};
    TempArena::Scope scope;
    OwnedToken result;
    bool found = g_object_model.invoke_member(result.out(), InvokeGet, params, 2) == ResultDone;
    char16_t buf[256];
    if (found) out = String(token_to_text(*result, buf));
    return found;
  };
  String message, extra, line_text, file;
  member(u"Message", message);
  member(u"Extra", extra);
  const ScriptLine* shown = g_thread->thrown.line;
  if (member(u"Line", line_text) && member(u"File", file)) {
    int64_t number = text_to_int(line_text);
    for (ScriptLine* l = program_.first_line; l; l = l->next) {
      if (l->line_number == number && l->file_index < program_.source_files.size() &&
          equals_ignore_case(program_.source_files[l->file_index], file)) {
        shown = l;
        break;
      }
    }
  }
  show_unhandled_exception(program_, message, extra, shown);
}

Result Engine::run_function_body(ScriptLine* open_brace) {
  ScriptLine* jump = nullptr;
  Result r = run_lines(open_brace->next, closing_brace(open_brace), open_brace, jump);
  if (r == ResultReturned) {
    if (result_) result_->returned = true;
    return ResultDone;
  }
  return r;
}

Result Engine::run_lines(ScriptLine* first, ScriptLine* stop, const ScriptLine* level, ScriptLine*& jump) {
  ScriptLine* line = first;
  while (line && line != stop) {
    ScriptLine* next = nullptr;
    Result r = statement(line, next, jump);
    // A value thrown where no line could fail (a __Delete run by an
    // assignment, say) unwinds like any other.
    if (r == ResultDone && g_thread->thrown.pending) r = ResultFailed;
    if (jump) {
      // A jump to a line of this level continues here; any other goes out.
      if (jump->parent == level && r == ResultDone) {
        line = jump;
        jump = nullptr;
        continue;
      }
      return r;
    }
    if (r != ResultDone) return r;
    line = next;
  }
  return ResultDone;
}

Result Engine::run_body(ScriptLine* body, ScriptLine*& jump) {
  if (body->action == CmdBlockBegin && !body->is_function_body()) {
    for (;;) {
      Result r = run_lines(body->next, closing_brace(body), body, jump);
      // A Goto to the body's own first line starts it again.
      if (jump == body && r == ResultDone) {
        jump = nullptr;
        continue;
      }
      return r;
    }
  }
  ScriptLine* next = nullptr;
  return statement(body, next, jump);
}

Result Engine::statement(ScriptLine* line, ScriptLine*& next, ScriptLine*& jump) {
  before_line();
  g_thread->current_line = line;
  g_process.current_line_number = line->line_number;
  record_line(line);
  CommandId id = line->action;
  next = line->next;
  if (is_if_line(id)) return run_if(line, next, jump);
  switch (id) {
    case CmdBlockBegin:
      if (line->is_function_body()) {
        next = line->related;
        return ResultDone;
      }
      next = line->related;
      return run_body(line, jump);
    case CmdBlockEnd:
    case CmdStatic:  // static initialisers ran before the auto-execute section
      return ResultDone;
    case CmdElse:
      // Reached only after a true if body ran: skip the else body.
      next = line->related;
      return ResultDone;
    case CmdLoop:
    case CmdWhile:
    case CmdFor: {
      Result r = run_loop(line, jump);
      next = after_loop(line);
      return r;
    }
    case CmdUntil:
      return ResultDone;
    case CmdTry:
      return run_try(line, next, jump);
    case CmdCatch:
    case CmdFinally:
      // Reached in normal flow: a Catch with nothing to catch is skipped;
      // a Finally body simply runs next.
      if (id == CmdCatch) next = line->related;
      return ResultDone;
    case CmdThrow:
      return run_throw(line);
    case CmdBreak:
    case CmdContinue:
    case CmdBreakIf:
    case CmdContinueIf:
      return run_break_continue(line, jump);
    case CmdGoto:
      return run_goto(line, jump);
    case CmdGosub:
      return run_gosub(line);
    case CmdReturn:
      if (line->arg_count > 0 && result_) {
        if (!return_value(*line)) return ResultFailed;
      }
      return ResultReturned;
    default:
      return command(line);
  }
}

Result Engine::condition_of(const ScriptLine& line, int arg, bool& truth) {
  const LineArg& a = line.args[arg];
  TempArena::Scope scope;
  OwnedToken value;
  if (a.is_expression) {
    if (Result r = evaluate(a.postfix, value.out()); r != ResultDone) return r;
  } else if (Variable* sole = sole_deref_var(a.ref.derefs, a.text, a.length)) {
    value = OwnedToken::adopt(var_token(sole));
  } else {
    value.out() = text_token(a.view(), SymOperand);
  }
  truth = condition_truth(*value);
  return ResultDone;
}

Result Engine::run_if(ScriptLine* line, ScriptLine*& next, ScriptLine*& jump) {
  Result cond = evaluate_condition(*line);
  if (!cond || cond == ResultExitThread) return cond;
  ScriptLine* after = line->related;
  bool has_else = after && after->action == CmdElse;
  if (cond == ResultConditionTrue) {
    Result r = run_body(line->next, jump);
    next = has_else ? after->related : after;
    return r;
  }
  if (has_else) {
    next = after->related;
    return run_body(after->next, jump);
  }
  next = after;
  return ResultDone;
}

Result Engine::run_goto(ScriptLine* line, ScriptLine*& jump) {
  Label* label = line->label();
  if (!label) {
    if (Result r = args().expand(*line); r != ResultDone) return r;
    label = program_.find_label(args().text[0]);
    if (!label || !label->line) return report_runtime_error(message(Msg::TargetLabelMissing), args().text[0]);
    bool leaves_function = false;
    if (!check_dynamic_target(line, label->line, leaves_function)) return ResultFailed;
  }
  g_thread->current_label = label;
  jump = label->line;
  return ResultDone;
}

Result Engine::run_gosub(ScriptLine* line) {
  Label* label = line->label();
  if (stack_exhausted()) return report_runtime_error(message(Msg::SubroutineRecursionTooDeep), label ? label->name : StringView());
  bool leaves_function = line->leaves_function;
  if (!label) {
    if (Result r = args().expand(*line); r != ResultDone) return r;
    label = program_.find_label(args().text[0]);
    if (!label || !label->line) return report_runtime_error(message(Msg::TargetLabelMissing), args().text[0]);
    if (!check_dynamic_target(line, label->line, leaves_function)) return ResultFailed;
  }
  // A subroutine outside every function sees the globals.
  Func* saved = g_thread->current_func;
  const Label* saved_label = g_thread->current_label;
  if (leaves_function) g_thread->current_func = nullptr;
  g_thread->current_label = label;
  Engine sub(program_);
  ScriptLine* jump = nullptr;
  Result r = sub.run_lines(label->line, nullptr, label->line->parent, jump);
  g_thread->current_func = saved;
  g_thread->current_label = saved_label;
  g_thread->current_line = line;
  if (r == ResultReturned) return ResultDone;
  return r;
}

Result Engine::run_break_continue(ScriptLine* line, ScriptLine*& jump) {
  bool is_break = line->action == CmdBreak || line->action == CmdBreakIf;
  if (line->action == CmdBreakIf || line->action == CmdContinueIf) {
    bool truth = false;
    if (Result r = condition_of(*line, 0, truth); r != ResultDone) return r;
    if (!truth) return ResultDone;
  }
  ScriptLine* target = line->related;
  if (!target) return is_break ? ResultLoopBreak : ResultLoopContinue;
  if (is_break) {
    // Every level in between unwinds to the line after the named loop.
    jump = after_loop(target);
    return ResultDone;
  }
  jump = target;
  return ResultLoopContinue;
}

Result Engine::run_throw(ScriptLine* line) {
  ThreadSettings& t = *g_thread;
  clear_thrown();
  t.thrown.pending = true;
  t.thrown.line = line;
  if (line->arg_count == 0) {
    t.thrown.pending = false;
    return throw_runtime_exception(line, message(Msg::ExceptionThrown), StringView(), StringView());
  }
  const LineArg& a = line->args[0];
  TempArena::Scope scope;
  OwnedToken value;
  if (a.is_expression) {
    if (Result r = evaluate(a.postfix, value.out()); r != ResultDone) {
      t.thrown.pending = false;
      return r;
    }
  } else {
    value = OwnedToken::adopt(var_token(a.ref.derefs[0].target.var));
  }
  t.thrown.symbol = value->symbol;
  if (IObject* object = token_object(*value)) {
    t.thrown.symbol = SymObject;
    t.thrown.object = ObjectRef(object);
  } else if (value->symbol == SymInteger) t.thrown.integer = value->integer;
  else if (value->symbol == SymFloat) t.thrown.number = value->number;
  else {
    char16_t buf[256];
    t.thrown.text = String(token_to_text(*value, buf));
    t.thrown.symbol = value->symbol == SymString ? SymString : SymOperand;
  }
  return ResultFailed;
}

Result Engine::run_try(ScriptLine* line, ScriptLine*& next, ScriptLine*& jump) {
  ThreadSettings& t = *g_thread;
  bool saved = t.in_try;
  t.in_try = true;
  Result r = run_body(line->next, jump);
  t.in_try = saved;
  ScriptLine* after = line->related;

  if (after && after->action == CmdCatch) {
    ScriptLine* catch_line = after;
    after = catch_line->related;
    if (r == ResultFailed && t.thrown.pending) {
      g_thread->current_line = catch_line;
      record_line(catch_line);
      // The Catch's variable receives the thrown value, typed.
      // A name with derefs in it is built now, as any output variable's.
      const LineArg* name = catch_line->arg_count > 0 ? &catch_line->args[0] : nullptr;
      Variable* var = !name ? nullptr : name->dynamic_name ? args().resolve_name(*name) : name->ref.var;
      if (name && !var) {
        clear_thrown();
        return ResultFailed;
      }
      Result stored = ResultDone;
      if (var) {
        if (t.thrown.symbol == SymObject) {
          stored = var->assign_object(t.thrown.object);
        } else if (t.thrown.symbol == SymInteger) {
          stored = var->assign_int(t.thrown.integer);
        } else if (t.thrown.symbol == SymFloat) {
          stored = var->assign_double(t.thrown.number);
        } else {
          stored = var->assign(t.thrown.text);
        }
      }
      clear_thrown();
      if (!stored) return ResultFailed;
      r = run_body(catch_line->next, jump);
    }
  } else if (r == ResultFailed && t.thrown.pending && !(after && after->action == CmdFinally)) {
    // A Try with neither Catch nor Finally swallows the exception.
    clear_thrown();
    r = ResultDone;
  }

  if (after && after->action == CmdFinally) {
    ScriptLine* finally_line = after;
    next = finally_line->related;
    if (r == ResultDone && !jump) {
      ScriptLine* inner_jump = nullptr;
      Result f = run_body(finally_line->next, inner_jump);
      if (inner_jump) jump = inner_jump;
      return f;
    }
    // Something is unwinding: run the Finally body with it set aside.
    ThrownValue aside = t.thrown.take();
    ScriptLine* finally_jump = nullptr;
    Result f = run_body(finally_line->next, finally_jump);
    if (f != ResultDone || finally_jump) {
      aside.object.reset();
      if (f != ResultFailed && f != ResultExitThread) return line_error(program_, finally_line, message(Msg::JumpOutOfFinally));
      return f;
    }
    t.thrown = std::move(aside);
    return r;
  }
  next = after;
  return r;
}

Result Engine::run_static(ScriptLine* line) {
  g_thread->current_line = line;
  TempArena::Scope scope;
  OwnedToken value;
  return evaluate(line->args[0].postfix, value.out());
}

Result Engine::command(ScriptLine* line) {
  CommandId id = line->action;
  switch (id) {
    case CmdExit:
      if (line->arg_count > 0) {
        if (Result r = args().expand(*line); r != ResultDone) return r;
        g_process.exit_code = int(text_to_int(args().text[0]));
      } else {
        g_process.exit_code = 0;
      }
      // The thread's caller decides whether the program ends with it: it
      // does unless something keeps the script resident.
      return ResultExitThread;
    case CmdAssignExpr:
      return assign_expression(*line);
    case CmdExpression: {
      TempArena::Scope scope;
      OwnedToken value;
      return evaluate(line->args[0].postfix, value.out());
    }
    case CmdAssign: {
      // x = %ClipboardAll% takes a snapshot, as x := ClipboardAll does.
      if (line->arg_count > 1) {
        const LineArg& src = line->args[1];
        Variable* sole = sole_deref_var(src.ref.derefs, src.text, src.length);
        if (sole && sole->target().type == VarType::ClipboardAll && !line->args[0].dynamic_name && line->args[0].ref.var)
          return line->args[0].ref.var->assign_var(*sole);
      }
      if (Result r = args().expand(*line); r != ResultDone) return r;
      StringView value = args().count > 1 ? args().text[1] : StringView();
      if (g_thread->auto_trim) value = trim(value);
      return args().vars[0] ? args().vars[0]->assign(value) : ResultDone;
    }
    case CmdAddAssign:
    case CmdSubAssign:
    case CmdMultAssign:
    case CmdDivAssign: {
      Result r;
      if (legacy_math_fast(*line, r)) return r;
      if (Result r = args().expand(*line); r != ResultDone) return r;
      return legacy_math(*line, args());
    }
    default: {
      const CommandInfo& info = command_info(id);
      if (!(info.flags & RawArgs))
        if (Result r = args().expand(*line); r != ResultDone) return r;
      return info.handler(*line, args());
    }
  }
}

// Lines the engine runs itself never reach their row's handler; one that
// did would be a line the engine forgot.
Result engine_statement(const ScriptLine& line, ExpandedArgs&) {
  return report_runtime_error(message(Msg::LineOutOfPlace));
}

Result cmd_not_available(const ScriptLine& line, ExpandedArgs&) {
  const CommandInfo& info = command_info(line.action);
  return report_not_available(info.name[0] ? StringView(info.name) : message(Msg::ThisLine));
}

Result Engine::assign_expression(const ScriptLine& line) {
  Variable* target = line.args[0].ref.var;
  if (line.args[0].dynamic_name) {
    // The target's name is built at run time.
    target = args().resolve_name(line.args[0]);
    if (!target) return ResultFailed;
  }
  if (!target) return ResultDone;
  if (line.arg_count < 2 || line.args[1].length == 0) return target->assign_empty();
  const LineArg& src = line.args[1];
  if (!src.is_expression) {
    // x := y copies the variable as it is, number cache and all.
    if (Variable* sole = sole_deref_var(src.ref.derefs, src.text, src.length)) return target->assign_var(*sole);
    if (Result r = args().expand(line); r != ResultDone) return r;
    return target->assign(args().text[1]);
  }
  TempArena::Scope scope;
  OwnedToken value;
  if (Result r = evaluate(src.postfix, value.out()); r != ResultDone) return r;
  return target->assign_token(*value);
}

// Return's value: numbers and objects stay typed, anything else is text.
Result Engine::return_value(const ScriptLine& line) {
  const LineArg& arg = line.args[0];
  // Text is kept in the call's result, typed where it is used.
  auto text_result = [&](StringView text, uint32_t symbol) {
    result_->text = String(text);
    result_->value.take(text_token(StringView(), symbol));
    return ResultDone;
  };
  TempArena::Scope scope;
  // Whatever the value owns goes to the call's result on every way on from
  // here: no holder of its own is needed.
  ExprToken value;
  if (arg.is_expression) {
    if (Result r = evaluate(arg.postfix, value); r != ResultDone) return r;
  } else if (Variable* sole = sole_deref_var(arg.ref.derefs, arg.text, arg.length)) {
    value = var_token(sole);
  } else {
    if (Result r = args().expand(line); r != ResultDone) return r;
    // Text written in the line: its type is decided where it is used.
    return text_result(args().text[0], SymOperand);
  }
  if (value.symbol == SymVar) {
    Variable& v = value.var->target();
    if (v.attributes & AttrObject) {
      result_->value.take(object_token(ObjectRef(v.contents.object)));
      return ResultDone;
    }
    if ((v.attributes & AttrTextStale) && v.type == VarType::Normal) {
      // A returned variable is text, but a number's text is written straight
      // into the result: the local's own buffer is about to be emptied.
      char16_t buf[256];
      ExprToken number = v.attributes & AttrHasInt ? int_token(v.contents.integer) : double_token(v.contents.number);
      return text_result(token_to_text(number, buf), SymOperand);
    }
  }
  switch (value.symbol) {
    case SymInteger:
    case SymFloat:
    case SymObject:
      result_->value.take(value);
      return ResultDone;
    default: {
      char16_t buf[256];
      return text_result(token_to_text(value, buf), value.symbol == SymString ? SymString : SymOperand);
    }
  }
}


// Argument buffers of the running engines. Engines nest strictly (a line
// of one runs the others to their end), and an engine takes its buffer only
// while it is the innermost one, so the buffers are handed out in stack
// order and kept for reuse.
// Never destroyed: a program ended by ExitApp from inside a line still
// holds them, and releasing their objects would run __Delete during exit.
namespace {
auto& g_args_buffers = *new std::vector<std::unique_ptr<ExpandedArgs>>;
size_t g_args_in_use = 0;
}  // namespace

ExpandedArgs& Engine::take_args() {
  if (g_args_in_use == g_args_buffers.size()) g_args_buffers.push_back(std::make_unique<ExpandedArgs>());
  args_ = g_args_buffers[g_args_in_use++].get();
  return *args_;
}

Engine::~Engine() {
  if (!args_) return;
  args_->clear();
  --g_args_in_use;
}

Result execute_from(ScriptProgram& program, ScriptLine* start) {
  Engine engine(program);
  return engine.run_thread(start);
}

Result execute_body(ScriptProgram& program, ScriptLine* open_brace, CallResult& result) {
  Engine engine(program, &result);
  return engine.run_function_body(open_brace);
}

Result run_static_initializers(ScriptProgram& program) {
  Engine engine(program);
  for (ScriptLine* line = program.first_line; line; line = line->next) {
    if (line->action != CmdStatic) continue;
    if (!engine.run_static(line)) return ResultFailed;
  }
  return ResultDone;
}

}  // namespace orv
