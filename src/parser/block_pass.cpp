#include "parser/block_pass.h"

#include <cstdint>

#include "base/messages.h"
#include "runtime/errors.h"
#include "runtime/function_table.h"
#include "runtime/line_lister.h"
#include "runtime/numbers.h"

namespace orv {

namespace {

bool is_if_line(CommandId id) {
  return (id >= CmdIfIn && id <= CmdIfLessOrEqual) || (id >= CmdIfWinExist && id <= CmdIfMsgBox);
}

bool is_loop_line(CommandId id) { return id == CmdLoop || id == CmdFor || id == CmdWhile; }

// A parameter whose text is known before the script runs: neither an
// expression nor holding variable references.
bool is_plain(const ScriptLine& line, int index) {
  return index < line.arg_count && !line.args[index].is_expression && !line.args[index].dynamic_name &&
         !line.args[index].ref.derefs;
}

StringView plain_text(const ScriptLine& line, int index) {
  return is_plain(line, index) ? line.arg_text(index) : StringView();
}


// Where the one-line body a loop needs is in force: Break and Continue need
// a loop around them, and must not leave a Finally body to reach it.
enum class LoopContext : uint8_t { None, Loop, FinallyInLoop };

// The line for the "Specifically" part of a message, as listings show it;
// a function body's brace shows the definition it belongs to.
String line_text(const ScriptProgram& program, const ScriptLine& line) {
  if (line.is_function_body()) {
    for (const DefinitionRecord& d : program.definitions)
      if (d.line_number == line.line_number && d.kind != DefinitionKind::Class) return String(d.text);
  }
  String listed;
  list_line(listed, line, SIZE_MAX, 0, LineEnd::Lf);
  size_t from = listed.find(u": ") + 2;
  return listed.substr(from, listed.size() - 1 - from);
}

class BlockPass {
 public:
  explicit BlockPass(ScriptProgram& program) : program_(program) {}

  Result run() {
    ScriptLine* after = nullptr;
    if (!sequence(program_.first_line, nullptr, LoopContext::None, after)) return ResultFailed;
    for (ScriptLine* line = program_.first_line; line; line = line->next)
      if (!resolve_targets(*line)) return ResultFailed;
    return ResultDone;
  }

 private:
  Result fail(const ScriptLine& line, StringView message, StringView extra) {
    program_.current_line_number = line.line_number;
    program_.current_file_index = line.file_index;
    return load_error(program_, message, extra);
  }
  Result fail(const ScriptLine& line, StringView message) { return fail(line, message, line_text(program_, line)); }

  // --- the first pass: bodies, blocks and the lines that continue a construct ---

  // The lines from `first` up to the "}" that closes `open` (or, with no
  // `open`, to the end of the list); `after` becomes the line after that "}".
  Result sequence(ScriptLine* first, ScriptLine* open, LoopContext context, ScriptLine*& after) {
    ScriptLine* line = first;
    while (line) {
      if (line->action == CmdBlockEnd) {
        if (!open) return fail(*line, message(Msg::UnexpectedCloseBrace));
        line->parent = open;
        after = line->next;
        return ResultDone;
      }
      if (!statement(line, open, context, line)) return ResultFailed;
    }
    if (open) return fail(*open, message(Msg::MissingCloseBrace));
    after = nullptr;
    return ResultDone;
  }

  // The one-line body of `owner`: the statement on the next line.
  Result body(ScriptLine* owner, LoopContext context, ScriptLine*& after) {
    if (!owner->next) return fail(*program_.last_line, message(Msg::ScriptEndsEarly));
    return statement(owner->next, owner, context, after);
  }

  // One statement: the line, its body and the lines that continue it;
  // `after` becomes the line after all of them.
  Result statement(ScriptLine* line, ScriptLine* parent, LoopContext context, ScriptLine*& after) {
    Nesting nesting(depth_);
    if (depth_ - 1 > kMaxNesting) return fail(*line, message(Msg::NestedTooDeep));
    line->parent = parent;
    const CommandId id = line->action;
    if (is_if_line(id)) {
      if (!body(line, context, after)) return ResultFailed;
      line->related = after;
      if (after && after->action == CmdElse) {
        ScriptLine* else_line = after;
        else_line->parent = parent;
        if (!body(else_line, context, after)) return ResultFailed;
        else_line->related = after;
      }
      return ResultDone;
    }
    if (is_loop_line(id)) {
      if (!body(line, LoopContext::Loop, after)) return ResultFailed;
      line->related = after;
      if (after && after->action == CmdUntil && id != CmdWhile) {
        after->parent = parent;
        after = after->next;
      }
      return ResultDone;
    }
    switch (id) {
      case CmdTry: {
        if (!body(line, context, after)) return ResultFailed;
        line->related = after;
        if (after && after->action == CmdCatch) {
          ScriptLine* catch_line = after;
          catch_line->parent = parent;
          if (!body(catch_line, context, after)) return ResultFailed;
          catch_line->related = after;
        }
        if (after && after->action == CmdFinally) {
          ScriptLine* finally_line = after;
          finally_line->parent = parent;
          LoopContext inner = context == LoopContext::None ? LoopContext::None : LoopContext::FinallyInLoop;
          if (!body(finally_line, inner, after)) return ResultFailed;
          finally_line->related = after;
        }
        return ResultDone;
      }
      case CmdBlockBegin:
        if (line->is_function_body()) {
          if (parent && parent->action != CmdBlockBegin) return fail(*line, message(Msg::UnexpectedFunction));
          context = LoopContext::None;
        }
        if (!sequence(line->next, line, context, after)) return ResultFailed;
        line->related = after;
        return ResultDone;
      case CmdBlockEnd:
        return fail(*line, message(Msg::UnexpectedCloseBrace));
      case CmdElse:
        return fail(*line, message(Msg::ElseWithoutIf));
      case CmdUntil:
        return fail(*line, message(Msg::UntilWithoutLoop));
      case CmdCatch:
        return fail(*line, message(Msg::CatchWithoutTry));
      case CmdFinally:
        return fail(*line, message(Msg::FinallyWithoutTry));
      case CmdBreak:
      case CmdContinue:
      case CmdBreakIf:
      case CmdContinueIf:
        if (context == LoopContext::None) return fail(*line, message(Msg::BreakOutsideLoop));
        if (context == LoopContext::FinallyInLoop) return fail(*line, message(Msg::JumpOutOfFinally));
        break;
      default:
        break;
    }
    after = line->next;
    return ResultDone;
  }

  // --- the second pass: the targets of jumps and label parameters ---

  Result resolve_targets(ScriptLine& line) {
    switch (line.action) {
      case CmdGoto:
      case CmdGosub:
        return resolve_jump(line);
      case CmdReturn:
        for (const ScriptLine* p = line.parent; p && !p->is_function_body(); p = p->parent)
          if (p->action == CmdFinally) return fail(line, message(Msg::JumpOutOfFinally));
        return ResultDone;
      case CmdBreak:
      case CmdContinue:
        return resolve_loop_target(line, 0);
      case CmdBreakIf:
      case CmdContinueIf:
        return resolve_loop_target(line, 1);
      case CmdOnExit:
        return require_label(line, 0);
      case CmdGroupAdd:
        return require_label(line, 3);
      case CmdSetTimer:
        return check_set_timer(line);
      case CmdHotkey:
        return check_hotkey(line);
      default:
        return ResultDone;
    }
  }

  Result resolve_jump(ScriptLine& line) {
    StringView name = plain_text(line, 0);
    if (name.empty()) return ResultDone;  // resolved when the line runs
    Label* label = program_.find_label(name);
    if (!label) return fail(line, message(Msg::TargetLabelMissing), name);
    ScriptLine* target = label->line;
    ScriptLine* target_parent = target ? target->parent : nullptr;
    if (target_parent && !is_ancestor(target_parent, &line))
      return fail(line, message(Msg::JumpIntoBlock));
    if (inside_function(&line) && !(target && inside_function(target))) {
      if (line.action == CmdGoto) return fail(line, message(Msg::JumpOutOfFunction));
      line.leaves_function = true;
    }
    if (line.action == CmdGoto) {
      for (const ScriptLine* p = line.parent; p && p != target_parent; p = p->parent)
        if (p->action == CmdFinally) return fail(line, message(Msg::JumpOutOfFinally));
    }
    line.set_label(label);
    line.related = target;
    return ResultDone;
  }

  Result resolve_loop_target(ScriptLine& line, int index) {
    StringView param = plain_text(line, index);
    if (param.empty()) return ResultDone;
    const ScriptLine* innermost = nullptr;
    for (const ScriptLine* p = line.parent; p && !innermost; p = p->parent)
      if (is_loop_line(p->action)) innermost = p;

    ScriptLine* target = nullptr;
    int64_t count = 0;
    if (nesting_count(param, count)) {
      for (ScriptLine* p = line.parent; p && count > 0; p = p->parent)
        if (is_loop_line(p->action) && --count == 0) target = p;
      if (!target) return fail(line, message(Msg::ParamInvalid1), param);
    } else {
      Label* label = program_.find_label(param);
      if (!label) return fail(line, message(Msg::TargetLabelMissing), param);
      target = label->line;
      if (!target || !is_loop_line(target->action) || !is_ancestor(target, &line))
        return fail(line, message(Msg::ParamInvalid1), param);
    }
    if (target == innermost) return ResultDone;  // the plain form does the same
    for (const ScriptLine* p = line.parent; p != target; p = p->parent)
      if (p->is_function_body()) return fail(line, message(Msg::JumpOutOfFunction));
    for (const ScriptLine* p = line.parent; p != target; p = p->parent)
      if (p->action == CmdFinally) return fail(line, message(Msg::JumpOutOfFinally));
    line.related = target;
    return ResultDone;
  }

  // Blanks, an optional "+", digits (or "0x" and hexadecimal digits), blanks;
  // read as decimal, so that a hexadecimal count is 0.
  static bool nesting_count(StringView text, int64_t& count) {
    text = trim(text);
    if (!text.empty() && text[0] == u'+') text.remove_prefix(1);
    bool hex = text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X');
    StringView digits = hex ? text.substr(2) : text;
    if (digits.empty()) return false;
    for (char16_t c : digits) {
      bool ok = (c >= u'0' && c <= u'9') || (hex && ((c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')));
      if (!ok) return false;
    }
    count = 0;
    for (char16_t c : text) {
      if (c < u'0' || c > u'9') break;
      count = count * 10 + (c - u'0');
      if (count > 0xFFFFFF) break;  // deeper than any script nests
    }
    return true;
  }

  // A plain label parameter must name a label; the line keeps it.
  Result require_label(ScriptLine& line, int index) {
    StringView name = plain_text(line, index);
    if (name.empty()) return ResultDone;
    Label* label = program_.find_label(name);
    if (!label) return fail(line, message(Msg::TargetLabelMissing), name);
    line.set_label(label);
    return ResultDone;
  }

  // A label, else a function; the line keeps a label.
  Result require_callable(ScriptLine& line, StringView name) {
    if (Label* label = program_.find_label(name)) {
      line.set_label(label);
      return ResultDone;
    }
    if (find_function(program_, name)) return ResultDone;
    return fail(line, message(Msg::TargetLabelMissing), name);
  }

  Result check_set_timer(ScriptLine& line) {
    StringView name = plain_text(line, 0);
    if (!name.empty() && !require_callable(line, name)) return ResultFailed;
    if (!is_plain(line, 1)) return ResultDone;
    StringView period = line.arg_text(1);
    bool ok = period.empty() || numeric_type_of(period) != NumType::NotNumeric || equals_ignore_case(period, u"On") ||
              equals_ignore_case(period, u"Off") || equals_ignore_case(period, u"Delete");
    return ok ? ResultDone : fail(line, message(Msg::ParamInvalid2), period);
  }

  bool is_if_expression_text(StringView text) const {
    auto matches = [&](StringView criterion) {
      return criterion.size() > 4 && criterion.substr(0, 4) == u"#If " && criterion.substr(4) == text;
    };
    for (const HotkeyDefinition& h : program_.hotkeys)
      if (matches(h.criterion)) return true;
    for (const HotstringDefinition& h : program_.hotstrings)
      if (matches(h.criterion)) return true;
    return false;
  }

  Result check_hotkey(ScriptLine& line) {
    if (!is_plain(line, 0)) return ResultDone;
    StringView key = line.arg_text(0);
    if (starts_with_ignore_case(key, u"If")) {
      for (StringView kind : {u"IfWinActive", u"IfWinNotActive", u"IfWinExist", u"IfWinNotExist"})
        if (equals_ignore_case(key, kind)) return ResultDone;
      if (key.size() != 2) return fail(line, message(Msg::ParamInvalid1), key);
      if (!line.arg_text(2).empty()) return fail(line, message(Msg::Param3BlankHere), line.arg_text(2));
      StringView expression = plain_text(line, 1);
      if (!expression.empty() && !is_if_expression_text(expression))
        return fail(line, message(Msg::Param2NoSuchIfExpression), expression);
      return ResultDone;
    }
    StringView name = plain_text(line, 1);
    if (name.empty()) return ResultDone;
    // Words that act on the hotkey instead of naming its label.
    for (StringView word : {u"On", u"Off", u"Toggle", u"AltTab", u"ShiftAltTab", u"AltTabMenu", u"AltTabAndMenu",
                            u"AltTabMenuDismiss"})
      if (equals_ignore_case(name, word)) return ResultDone;
    return require_callable(line, name);
  }

  // The statements this pass is inside of: the line's ancestors and the line
  // itself, and the depth of the pass's own recursion.
  struct Nesting {
    explicit Nesting(int& depth) : count(++depth) {}
    ~Nesting() { --count; }
    int& count;
  };
  int depth_ = 0;

  ScriptProgram& program_;
};

}  // namespace

Result resolve_blocks(ScriptProgram& program) { return BlockPass(program).run(); }

}  // namespace orv
