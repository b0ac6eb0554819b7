#include "runtime/executor.h"

#include <cstring>

#include "events/thread_settings.h"
#include "objects/object.h"
#include "library/file_append.h"
#include "library/thread_commands.h"
#include "platform/platform.h"
#include "runtime/conditions.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/scope.h"
#include "runtime/variable.h"
#include "runtime/line_history.h"
#include "runtime/warnings.h"
#include "startup/exit.h"
#include "startup/process_state.h"

namespace orv {

namespace {

bool is_function_body(const ScriptLine* line) {
  return line->action == CmdBlockBegin && reinterpret_cast<uintptr_t>(line->attribute) == 1;
}

bool is_if_line(CommandId id) {
  return (id >= CmdIfIn && id <= CmdIfLessOrEqual) || (id >= CmdIfWinExist && id <= CmdIfMsgBox);
}

ScriptLine* after_block(ScriptLine* open) {
  int depth = 0;
  for (ScriptLine* l = open; l; l = l->next) {
    if (l->action == CmdBlockBegin) ++depth;
    else if (l->action == CmdBlockEnd && --depth == 0) return l->next;
  }
  return nullptr;
}

// The line after the statement that begins at `line` (its body and any else).
ScriptLine* statement_end(ScriptLine* line) {
  if (!line) return nullptr;
  if (line->action == CmdBlockBegin) return after_block(line);
  if (is_if_line(line->action)) {
    ScriptLine* after = statement_end(line->next);
    if (after && after->action == CmdElse) return statement_end(after->next);
    return after;
  }
  return line->next;
}

}  // namespace

// --- argument expansion ---------------------------------------------------------------

Result ExpandedArgs::expand(const ScriptLine& line) {
  count = line.arg_count;
  buffer.clear();
  size_t offsets[kMaxArgs + 1];
  TempArena::Mark mark = temp_arena().mark();
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
      ExprToken value;
      if (!evaluate(arg.postfix, value)) {
        temp_arena().release(mark);
        return ResultFailed;
      }
      char16_t numbuf[256];
      buffer += token_to_text(value, numbuf);
      if (value.symbol == SymObject) value.object->release();
      temp_arena().release(mark);
      continue;
    }
    append_with_derefs(arg);
    if (arg.kind != ParamKind::Normal) {
      // A name built at run time.
      StringView name = StringView(buffer).substr(offsets[i]);
      if (name.empty())
        return report_runtime_error(
            u"This dynamic variable is blank. If this variable was not intended to be dynamic, remove the % symbols from it.",
            arg.view());
      Variable* v = find_or_add_variable(*g_script, name);
      if (!v) return ResultFailed;
      if (arg.kind == ParamKind::OutputVar && v->is_read_only())
        return report_runtime_error(u"Not allowed as an output variable.");
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

Variable* ExpandedArgs::resolve_name(const LineArg& arg) {
  buffer.clear();
  append_with_derefs(arg);
  if (buffer.empty()) {
    (void)report_runtime_error(
        u"This dynamic variable is blank. If this variable was not intended to be dynamic, remove the % symbols from it.",
        arg.view());
    return nullptr;
  }
  Variable* v = find_or_add_variable(*g_script, buffer);
  if (v && arg.kind == ParamKind::OutputVar && v->is_read_only()) {
    (void)report_runtime_error(u"Not allowed as an output variable.");
    return nullptr;
  }
  return v;
}

void ExpandedArgs::append_with_derefs(const LineArg& arg) {
  StringView text = arg.view();
  const DerefRecord* d = arg.ref.derefs;
  if (!d) {
    buffer += text;
    return;
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
    buffer += token_to_text(t, numbuf);
    pos = at + d->length;
  }
  buffer += text.substr(pos);
}

// --- the engine --------------------------------------------------------------------------

namespace {

Result not_available(const ScriptLine& line) {
  const CommandInfo& info = command_info(line.action);
  String what = info.name[0] ? String(info.name) : String(u"This line");
  return report_runtime_error(u"\"" + what + u"\" is not yet available.");
}

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

Result legacy_math(const ScriptLine& line, ExpandedArgs& args) {
  Variable* target = args.vars[0];
  if (!target) return ResultDone;
  if (line.action == CmdAddAssign || line.action == CmdSubAssign) {
    if (args.count > 2 && !args.text[2].empty()) return not_available(line);  // date arithmetic
  }
  Variable& v = target->target();
  ExprToken a{};
  a.symbol = SymVar;
  a.var = &v;
  NumType ta = v.numeric_type();
  ExprToken b = legacy_number(args.count > 1 ? args.text[1] : StringView());
  bool floats = ta == NumType::Float || b.symbol == SymFloat;
  if (!floats) {
    int64_t x = ta == NumType::Integer ? v.to_int() : 0, y = b.integer;
    switch (line.action) {
      case CmdAddAssign: return v.assign_int(int64_t(uint64_t(x) + uint64_t(y)));
      case CmdSubAssign: return v.assign_int(int64_t(uint64_t(x) - uint64_t(y)));
      case CmdMultAssign: return v.assign_int(int64_t(uint64_t(x) * uint64_t(y)));
      default:
        if (y == 0) return v.assign_empty();
        if (x % y == 0) return v.assign_int(x / y);
        return v.assign_double(double(x) / double(y));
    }
  }
  double x = ta == NumType::NotNumeric ? 0 : v.to_double();
  double y = b.symbol == SymFloat ? b.number : double(b.integer);
  switch (line.action) {
    case CmdAddAssign: return v.assign_double(x + y);
    case CmdSubAssign: return v.assign_double(x - y);
    case CmdMultAssign: return v.assign_double(x * y);
    default: return y == 0 ? v.assign_empty() : v.assign_double(x / y);
  }
}

class Engine {
 public:
  explicit Engine(ScriptProgram& program, CallResult* result = nullptr) : program_(program), result_(result) {}

  Result run_body(ScriptLine* open_brace) {
    ScriptLine* line = open_brace->next;
    while (line && line->action != CmdBlockEnd) {
      Result r = statement(line, line);
      if (r == ResultReturned) return ResultDone;
      if (r != ResultDone) return r;
    }
    return ResultDone;
  }

  Result run_static(ScriptLine* line) {
    g_thread->current_line = line;
    TempArena::Mark mark = temp_arena().mark();
    ExprToken value;
    Result r = evaluate(line->args[0].postfix, value);
    if (r && value.symbol == SymObject) value.object->release();
    temp_arena().release(mark);
    return r;
  }

  Result run(ScriptLine* line) {
    while (line) {
      ScriptLine* next = nullptr;
      Result r = statement(line, next);
      if (r == ResultReturned || r == ResultExitThread) return ResultDone;
      if (r != ResultDone) return r;
      line = next;
    }
    return ResultDone;
  }

 private:
  Result statement(ScriptLine* line, ScriptLine*& next) {
    g_thread->current_line = line;
    g_process.current_line_number = line->line_number;
    record_line(line);
    CommandId id = line->action;
    if (id == CmdBlockBegin) {
      if (is_function_body(line)) {
        next = after_block(line);
        return ResultDone;
      }
      ScriptLine* cur = line->next;
      while (cur && cur->action != CmdBlockEnd) {
        Result r = statement(cur, cur);
        if (r != ResultDone) return r;
      }
      next = cur ? cur->next : nullptr;
      return ResultDone;
    }
    if (is_if_line(id)) {
      Result cond = evaluate_condition(*line);
      if (!cond) return ResultFailed;
      ScriptLine* body = line->next;
      if (cond == ResultConditionTrue) {
        ScriptLine* after = nullptr;
        Result r = statement(body, after);
        if (r != ResultDone) return r;
        next = (after && after->action == CmdElse) ? statement_end(after->next) : after;
        return ResultDone;
      }
      ScriptLine* after = statement_end(body);
      if (after && after->action == CmdElse) return statement(after->next, next);
      next = after;
      return ResultDone;
    }
    next = line->next;
    switch (id) {
      case CmdBlockEnd:
      case CmdElse:
      case CmdStatic:  // static initialisers ran before the auto-execute section
        return ResultDone;
      case CmdReturn:
        if (line->arg_count > 0 && result_) {
          if (!return_value(*line)) return ResultFailed;
        }
        // Outside a function, Return ends the thread.
        return result_ ? ResultReturned : ResultExitThread;
      case CmdExit:
      case CmdExitApp: {
        int code = 0;
        if (line->arg_count > 0) {
          if (!args_.expand(*line)) return ResultFailed;
          code = int(text_to_int(args_.text[0]));
        }
        // ExitApp always ends the program; Exit ends it when nothing keeps
        // the script resident, which the caller decides.
        if (id == CmdExitApp) exit_program(ExitReason::Exit, code);
        g_process.exit_code = code;
        return ResultExitThread;
      }
      case CmdAssignExpr:
        return assign_expression(*line);
      case CmdExpression: {
        ExprToken value;
        TempArena::Mark mark = temp_arena().mark();
        Result r = evaluate(line->args[0].postfix, value);
        if (r && value.symbol == SymObject) value.object->release();
        temp_arena().release(mark);
        return r;
      }
      case CmdAssign: {
        if (!args_.expand(*line)) return ResultFailed;
        StringView value = args_.count > 1 ? args_.text[1] : StringView();
        if (g_thread->auto_trim) value = trim(value);
        return args_.vars[0] ? args_.vars[0]->assign(value) : ResultDone;
      }
      case CmdAddAssign:
      case CmdSubAssign:
      case CmdMultAssign:
      case CmdDivAssign:
        if (!args_.expand(*line)) return ResultFailed;
        return legacy_math(*line, args_);
      case CmdFileAppend:
        if (!args_.expand(*line)) return ResultFailed;
        return file_append(args_);
      case CmdSetFormat:
        if (!args_.expand(*line)) return ResultFailed;
        return set_format(args_);
      case CmdStringCaseSense:
        if (!args_.expand(*line)) return ResultFailed;
        return string_case_sense(args_);
      case CmdAutoTrim:
        if (!args_.expand(*line)) return ResultFailed;
        return auto_trim(args_);
      default:
        return not_available(*line);
    }
  }

  Result assign_expression(const ScriptLine& line) {
    Variable* target = line.args[0].ref.var;
    if (line.args[0].dynamic_name) {
      // The target's name is built at run time.
      target = args_.resolve_name(line.args[0]);
      if (!target) return ResultFailed;
    }
    if (!target) return ResultDone;
    if (line.arg_count < 2 || line.args[1].length == 0) return target->assign_empty();
    const LineArg& src = line.args[1];
    if (!src.is_expression) {
      // x := y copies the variable as it is, number cache and all.
      if (src.ref.derefs && src.ref.derefs[0].marker == src.text && src.ref.derefs[0].length == src.length)
        return target->assign_var(*src.ref.derefs[0].target.var);
      if (!args_.expand(line)) return ResultFailed;
      return target->assign(args_.text[1]);
    }
    TempArena::Mark mark = temp_arena().mark();
    ExprToken value;
    Result r = evaluate(src.postfix, value);
    if (r) {
      r = target->assign_token(value);
      if (value.symbol == SymObject) value.object->release();
    }
    temp_arena().release(mark);
    return r;
  }

  // Return's value: numbers and objects stay typed, anything else is text.
  Result return_value(const ScriptLine& line) {
    const LineArg& arg = line.args[0];
    TempArena::Mark mark = temp_arena().mark();
    ExprToken value{};
    if (arg.is_expression) {
      if (!evaluate(arg.postfix, value)) {
        temp_arena().release(mark);
        return ResultFailed;
      }
    } else if (arg.ref.derefs && arg.ref.derefs[0].marker == arg.text && arg.ref.derefs[0].length == arg.length) {
      value.symbol = SymVar;
      value.var = arg.ref.derefs[0].target.var;
    } else {
      if (!args_.expand(line)) return ResultFailed;
      // Text written in the line: its type is decided where it is used.
      result_->text = String(args_.text[0]);
      result_->value = ExprToken{};
      result_->value.symbol = SymOperand;
      temp_arena().release(mark);
      return ResultDone;
    }
    if (value.symbol == SymVar) {
      Variable& v = value.var->target();
      if (v.attributes & AttrObject) {
        v.contents.object->add_ref();
        value = ExprToken{};
        value.symbol = SymObject;
        value.object = v.contents.object;
      }
    }
    switch (value.symbol) {
      case SymInteger:
      case SymFloat:
      case SymObject:
        result_->value = value;
        break;
      default: {
        char16_t buf[256];
        result_->text = String(token_to_text(value, buf));
        result_->value = ExprToken{};
        result_->value.symbol = value.symbol == SymString ? SymString : SymOperand;
      }
    }
    temp_arena().release(mark);
    return ResultDone;
  }

  ScriptProgram& program_;
  CallResult* result_;
  ExpandedArgs args_;
};

}  // namespace

Result execute_from(ScriptProgram& program, ScriptLine* start) {
  Engine engine(program);
  return engine.run(start);
}

Result execute_body(ScriptProgram& program, ScriptLine* open_brace, CallResult& result) {
  Engine engine(program, &result);
  return engine.run_body(open_brace);
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
