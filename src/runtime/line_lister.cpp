#include "runtime/line_lister.h"

#include <cstdio>

#include "runtime/script_line.h"
#include "runtime/variable.h"

namespace orv {

namespace {

// A variable parameter resolved at load time may carry its variable without
// the text, so the variable's own name stands in for it.
StringView arg_shown(const ScriptLine& line, int i) {
  if (i >= line.arg_count) return {};
  const LineArg& arg = line.args[i];
  if (arg.length == 0 && arg.kind != ParamKind::Normal && !arg.dynamic_name && arg.ref.var)
    return arg.ref.var->name_view();
  return arg.view();
}

bool is_assignment_form(CommandId id) {
  return id == CmdAssign || id == CmdAssignExpr || (id >= CmdAddAssign && id <= CmdDivAssign);
}

bool is_legacy_comparison(CommandId id) {
  return (id >= CmdIfIn && id <= CmdIfIsNot) || (id >= CmdIfEqual && id <= CmdIfLessOrEqual);
}

void line_body(String& out, const ScriptLine& line) {
  CommandId id = line.action;
  StringView name = command_info(id).name;
  if (is_assignment_form(id) || is_legacy_comparison(id)) {
    if (is_legacy_comparison(id)) out += u"if ";
    out += arg_shown(line, 0);
    out += u' ';
    out += name;
    out += u' ';
    out += arg_shown(line, 1);
  } else if (id == CmdIfBetween || id == CmdIfNotBetween) {
    out += u"if ";
    out += arg_shown(line, 0);
    out += u' ';
    out += name;
    out += u' ';
    out += arg_shown(line, 1);
    out += u" and ";
    out += arg_shown(line, 2);
  } else if (id == CmdFor) {
    out += u"For ";
    out += arg_shown(line, 0);
    out += u',';
    out += arg_shown(line, 1);
    out += u" in ";
    out += arg_shown(line, 2);
  } else if (name.empty()) {
    // The forms the parser makes from an expression have no command word
    // of their own; a leading comma would only confuse the reader.
    if (id == CmdIfExpr) out += u"if ";
    for (int i = 0; i < line.arg_count; ++i) {
      if (i) out += u',';
      out += arg_shown(line, i);
    }
  } else {
    out += name;
    for (int i = 0; i < line.arg_count; ++i) {
      out += u',';
      out += arg_shown(line, i);
    }
  }
}

}  // namespace

String format_seconds(int64_t ms) {
  char buf[64];
  snprintf(buf, sizeof buf, "%0.2f", double(ms) / 1000.0);
  return ascii(buf);
}

void list_line(String& out, const ScriptLine& line, size_t max_chars, int64_t elapsed_ms, LineEnd end) {
  size_t start = out.size();
  char number[16];
  snprintf(number, sizeof number, "%03u: ", unsigned(line.line_number));
  out += ascii(number);
  line_body(out, line);
  if (out.size() - start > max_chars) out.resize(start + max_chars);
  if (elapsed_ms != 0) {
    out += u" (";
    out += format_seconds(elapsed_ms);
    out += u')';
  }
  out += end == LineEnd::CrLf ? u"\r\n" : u"\n";
}

}  // namespace orv
