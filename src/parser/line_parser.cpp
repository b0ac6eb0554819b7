#include "parser/line_parser.h"

#include "base/messages.h"
#include "library/thread_commands.h"
#include "parser/escapes.h"
#include "parser/expression_compiler.h"
#include "runtime/errors.h"
#include "runtime/func.h"
#include "runtime/message_box.h"
#include "runtime/scope.h"
#include "runtime/variable.h"
#include "runtime/variable_list.h"

namespace orv {

namespace {

constexpr StringView kFirstWordEnds = u" (\t<>:=+-*/!~&|^[.?{";

bool is_name_char(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
         c == u'$' || c == u'#' || c == u'@' || c >= 128;
}

bool is_plain_name(StringView s) {
  if (s.empty()) return false;
  for (char16_t c : s)
    if (!is_name_char(c)) return false;
  return true;
}

bool begins_with(StringView s, StringView p) { return s.substr(0, p.size()) == p; }

// Optional "+", then decimal digits or "0x" and hexadecimal digits.
bool is_plain_number(StringView s, bool allow_fraction) {
  if (!s.empty() && s[0] == u'+') s.remove_prefix(1);
  if (s.empty()) return false;
  if (s.size() > 2 && s[0] == u'0' && (s[1] == u'x' || s[1] == u'X')) {
    for (char16_t c : s.substr(2))
      if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'))) return false;
    return true;
  }
  bool digit = false, point = false, exp = false;
  for (size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c >= u'0' && c <= u'9') digit = true;
    else if (c == u'.' && allow_fraction && !point && !exp) point = true;
    else if ((c == u'e' || c == u'E') && allow_fraction && point && digit && !exp) {
      exp = true;
      if (i + 1 < s.size() && (s[i + 1] == u'+' || s[i + 1] == u'-')) ++i;
    } else return false;
  }
  return digit;
}

// A command given fewer parameters than it needs, or a blank one where it needs text.
String too_few_params_message(StringView command, int64_t count) {
  String text = u"\"" + String(command) + u"\" ";
  text += message(Msg::RequiresAtLeast);
  text += u" " + to_string(count) + u" ";
  text += message(count > 1 ? Msg::ParameterPlural : Msg::ParameterSingular);
  return text;
}

String blank_param_message(StringView command, int64_t number) {
  String text = u"\"" + String(command) + u"\" ";
  text += message(Msg::RequiresParam);
  text += to_string(number) + u" ";
  text += message(Msg::MustBeNonBlank);
  return text;
}

}  // namespace

size_t find_expression_end(StringView text, char16_t delimiter, size_t start, const std::vector<bool>* escaped) {
  int depth = 0;
  bool in_quotes = false;
  for (size_t i = start; i < text.size(); ++i) {
    bool esc = escaped && i < escaped->size() && (*escaped)[i];
    char16_t c = text[i];
    if (esc) continue;
    if (c == u'"') { in_quotes = !in_quotes; continue; }
    if (in_quotes) continue;
    if (c == u'(' || c == u'[' || c == u'{') ++depth;
    else if (c == u')' || c == u']' || c == u'}') --depth;
    else if (c == delimiter && depth <= 0) return i;
  }
  return text.size();
}

// --- lines ---------------------------------------------------------------------------

Result LineParser::add_line(CommandId id, std::vector<Param>& params, StringView line_text) {
  const CommandInfo& info = command_info(id);
  // Trailing empty parameters beyond the minimum carry nothing.
  while (params.size() > info.min_params && !params.empty() && params.back().text.empty() && id != CmdAssign)
    params.pop_back();
  if (params.size() < info.min_params && info.name[0] != 0 && id >= 24)
    return load_error(program_, too_few_params_message(info.name, info.min_params), line_text);
  for (size_t i = 0; i < params.size() && i < info.min_params; ++i) {
    if (params[i].text.empty() && id >= 24)
      return load_error(program_, blank_param_message(info.name, int64_t(i + 1)), line_text);
  }
  auto* line = program_.pool.make<ScriptLine>();
  line->action = id;
  line->arg_count = uint8_t(params.size());
  line->file_index = program_.current_file_index;
  line->line_number = program_.current_line_number;
  if (!params.empty()) {
    line->args = static_cast<LineArg*>(program_.pool.allocate(sizeof(LineArg) * params.size(), alignof(LineArg)));
    for (size_t i = 0; i < params.size(); ++i) {
      LineArg* arg = new (&line->args[i]) LineArg();
      if (!build_arg(id, int(i), int(params.size()), params[i], *arg, line_text)) return ResultFailed;
    }
  }
  if (!validate_line(*line, line_text)) return ResultFailed;
  if (id == CmdBlockBegin) ++program_.block_depth;
  if (id == CmdBlockEnd) --program_.block_depth;
  for (Label* label : program_.labels_awaiting_line) {
    if (id == CmdElse || id == CmdUntil || id == CmdCatch)
      return load_error(program_, message(Msg::LabelBeforeElse), line_text);
    label->line = line;
  }
  program_.labels_awaiting_line.clear();
  line->prev = program_.last_line;
  if (program_.last_line) program_.last_line->next = line;
  else program_.first_line = line;
  program_.last_line = line;
  return ResultDone;
}

namespace {

// HKEY_LOCAL_MACHINE and the other root keys, long or short.
bool is_registry_root(StringView key) {
  static constexpr StringView kRoots[] = {u"HKEY_LOCAL_MACHINE", u"HKLM", u"HKEY_USERS", u"HKU", u"HKEY_CURRENT_USER", u"HKCU",
                                          u"HKEY_CLASSES_ROOT", u"HKCR", u"HKEY_CURRENT_CONFIG", u"HKCC"};
  size_t slash = key.find(u'\\');
  StringView root = key.substr(0, slash);
  for (StringView r : kRoots)
    if (equals_ignore_case(root, r)) return true;
  return false;
}

bool ends_with_fast(StringView type) {
  return type.size() >= 4 && equals_ignore_case(type.substr(type.size() - 4), u"Fast");
}

bool always_expression(CommandId id, int index) {
  switch (id) {
    case CmdAssignExpr: return index == 1;
    case CmdExpression:
    case CmdIfExpr:
    case CmdStatic:
    case CmdWhile:
    case CmdUntil:
    case CmdThrow:
    case CmdHashIf: return true;
    case CmdFor: return index == 2;
    default: return false;
  }
}

}  // namespace

// Whether a numeric parameter's text calls for an expression.
bool LineParser::numeric_needs_expression(const Param& p) const {
  const SyntaxChars& syn = program_.syntax;
  const String& t = p.text;
  if (t.empty() || is_plain_number(t, true)) return false;
  static constexpr StringView kExpressionChars = u" \t<>=/|^,:*&~!()[]{}\"";
  for (size_t i = 0; i < t.size(); ++i)
    if (!p.escaped[i] && kExpressionChars.find(t[i]) != StringView::npos) return true;
  size_t start = (t[0] == u'-' || t[0] == u'+') ? 1 : 0;
  if (start < t.size() && t[start] == syn.deref && !p.escaped[start]) return false;
  return true;
}

Result LineParser::build_arg(CommandId id, int index, int count, Param& p, LineArg& arg, StringView line_text) {
  arg.kind = param_kind(id, index);
  p.escaped.resize(p.text.size(), false);
  bool expression = false;
  if (p.expression_prefix) {
    if (arg.kind == ParamKind::OutputVar || (arg.kind == ParamKind::InputVar && ((id >= 9 && id <= 32) || id == CmdSort)))
      return load_error(program_, message(Msg::UnexpectedPercent), line_text);
    arg.kind = ParamKind::Normal;
    expression = true;
  } else if (always_expression(id, index)) {
    expression = !p.text.empty();
  } else if (arg.kind == ParamKind::Normal && is_numeric_param(id, index + 1)) {
    bool winmove_plain = id == CmdWinMove && index < 2 && count > 2;
    bool is_default = id == CmdWinMove && equals_ignore_case(p.text, u"default");
    expression = !winmove_plain && !is_default && numeric_needs_expression(p);
  }
  StringView stored = program_.pool.copy(p.text);
  arg.text = stored.data();
  arg.length = uint16_t(stored.size() > 0xFFFF ? 0xFFFF : stored.size());

  if (expression) {
    bool lone_name = is_plain_name(stored) && !(stored[0] >= u'0' && stored[0] <= u'9');
    bool keeps_expression = id == CmdFor || id == CmdWhile || id == CmdUntil || id == CmdThrow;
    int64_t constant;
    if (lone_name && !keeps_expression && !constant_builtin(stored, constant) && !is_builtin_variable_name(stored)) {
      // A lone variable is read in place rather than evaluated.
      Variable* v = find_or_add_variable(program_, stored);
      if (!v) return ResultFailed;
      auto* list = static_cast<DerefRecord*>(program_.pool.allocate(sizeof(DerefRecord) * 2, alignof(DerefRecord)));
      new (&list[0]) DerefRecord();
      new (&list[1]) DerefRecord();
      list[0].marker = stored.data();
      list[0].target.var = v;
      list[0].length = uint16_t(stored.size());
      arg.ref.derefs = list;
      return ResultDone;
    }
    arg.is_expression = 1;
    ExpressionSource src{stored, &p.escaped};
    return compile_expression(program_, src, &arg.postfix);
  }
  if (arg.kind != ParamKind::Normal && !(id == CmdLoop && index == 1)) {
    if (stored.empty()) return ResultDone;
    if (stored.find(program_.syntax.deref) == StringView::npos) {
      Variable* v = find_or_add_variable(program_, stored);
      if (!v) return ResultFailed;
      // FileRead into ClipboardAll puts a snapshot file back on the clipboard.
      bool snapshot_read = id == CmdFileRead && v->type == VarType::ClipboardAll;
      if (arg.kind == ParamKind::OutputVar && v->is_read_only() && !snapshot_read)
        return load_error(program_, message(Msg::NotOutputVar), line_text);
      arg.ref.var = v;
      return ResultDone;
    }
    // A name built at run time.
    arg.dynamic_name = 1;
  }
  if (!check_derefs(p, line_text)) return ResultFailed;
  return build_derefs(p, stored, arg);
}

// Checks a command can have before the script runs, on parameters that are
// not built at run time.
Result LineParser::validate_line(ScriptLine& line, StringView line_text) {
  auto plain = [&](int i) { return i < line.arg_count && !line.args[i].is_expression && !line.args[i].ref.derefs; };
  switch (line.action) {
    case CmdSetFormat: {
      bool dynamic_type = !plain(0);
      StringView type = line.arg_text(0);
      bool slow = dynamic_type || !ends_with_fast(type);
      if (slow && (dynamic_type || starts_with_ignore_case(type, u"Float"))) program_.format_float_on_assign = true;
      if (slow && (dynamic_type || starts_with_ignore_case(type, u"Integer"))) program_.format_int_on_assign = true;
      if (dynamic_type) return ResultDone;
      int bad = 0;
      if (!valid_set_format(type, plain(1) ? line.arg_text(1) : StringView(u"0"), bad))
        return load_error(program_, message(bad == 1 ? Msg::ParamInvalid1 : Msg::ParamInvalid2), line_text);
      return ResultDone;
    }
    case CmdStringSplit:
      // The element count variable exists from the start, so that it can be read before the split runs.
      if (plain(0) && !line.arg_text(0).empty()) {
        String count_name = String(line.arg_text(0)) + u"0";
        if (!find_or_add_variable(program_, count_name)) return ResultFailed;
      }
      return ResultDone;
    case CmdGroupAdd:
    case CmdGroupActivate:
    case CmdGroupDeactivate:
    case CmdGroupClose: {
      if (!plain(0)) return ResultDone;
      StringView name = line.arg_text(0);
      if (name.empty()) return load_error(program_, message(Msg::BlankGroupName), line_text);
      if (name.size() > kMaxNameLength) return load_error(program_, message(Msg::GroupNameTooLong), line_text);
      if (!is_valid_var_name(name)) return load_error(program_, message(Msg::IllegalGroupName), line_text);
      if (!program_.find_group(name)) program_.window_groups.push_back(program_.pool.copy(name));
      if (line.action != CmdGroupAdd && line.arg_count > 1 && plain(1)) {
        StringView mode = line.arg_text(1);
        bool ok = mode.empty() || equals_ignore_case(mode, u"R") || (line.action == CmdGroupClose && equals_ignore_case(mode, u"A"));
        if (!ok) return load_error(program_, message(Msg::ParamInvalid2), line_text);
      }
      return ResultDone;
    }
    case CmdGui:
      program_.directives.persistent_by_gui = true;
      return ResultDone;
    case CmdIfMsgBox: {
      int code;
      if (plain(0) && !msgbox_answer_code(trim(line.arg_text(0)), code))
        return load_error(program_, message(Msg::ParamInvalid1), line_text);
      return ResultDone;
    }
    case CmdWhile:
      line.set_loop_kind(LoopKind::While);
      return ResultDone;
    case CmdFor:
      line.set_loop_kind(LoopKind::For);
      return ResultDone;
    case CmdLoop: {
      if (line.arg_count == 0) {
        line.set_loop_kind(LoopKind::Count);
        return ResultDone;
      }
      if (!plain(0)) return ResultDone;  // decided when it runs
      StringView first = line.arg_text(0);
      LoopKind kind = is_plain_number(first, false) ? LoopKind::Count
                      : equals_ignore_case(first, u"Read") ? LoopKind::Read
                      : equals_ignore_case(first, u"Parse") ? LoopKind::Parse
                      : equals_ignore_case(first, u"Files") ? LoopKind::Files
                      : equals_ignore_case(first, u"Reg") ? LoopKind::Reg
                      : is_registry_root(first) ? LoopKind::Registry
                                                : LoopKind::FilePattern;
      line.set_loop_kind(kind);
      // The older file and registry forms take 0/1 (or 2) switches.
      int folders = kind == LoopKind::FilePattern ? 1 : kind == LoopKind::Registry ? 2 : -1;
      if (folders < 0) return ResultDone;
      for (int i = folders; i <= folders + 1 && i < line.arg_count; ++i) {
        if (!plain(i)) continue;
        StringView v = trim(line.arg_text(i));
        bool ok = v.empty() || v == u"0" || v == u"1" || (i == folders && v == u"2");
        if (ok) continue;
        Msg invalid = i == 1 ? Msg::ParamInvalid2 : i == 2 ? Msg::ParamInvalid3 : Msg::ParamInvalid4;
        return load_error(program_, message(invalid), line_text);
      }
      return ResultDone;
    }
    default:
      return ResultDone;
  }
}

// One record per %name%, each pointing at its variable.
Result LineParser::build_derefs(const Param& p, StringView stored, LineArg& arg) {
  const char16_t deref = program_.syntax.deref;
  std::vector<DerefRecord> records;
  for (size_t i = 0; i < stored.size(); ++i) {
    if (stored[i] != deref || p.escaped[i]) continue;
    size_t j = stored.find(deref, i + 1);
    Variable* v = find_or_add_variable(program_, stored.substr(i + 1, j - i - 1));
    if (!v) return ResultFailed;
    DerefRecord r;
    r.marker = stored.data() + i;
    r.target.var = v;
    r.length = uint16_t(j - i + 1);
    records.push_back(r);
    i = j;
  }
  if (records.empty()) return ResultDone;
  auto* list = static_cast<DerefRecord*>(program_.pool.allocate(sizeof(DerefRecord) * (records.size() + 1), alignof(DerefRecord)));
  for (size_t i = 0; i < records.size(); ++i) list[i] = records[i];
  new (&list[records.size()]) DerefRecord();
  arg.ref.derefs = list;
  return ResultDone;
}

Result LineParser::check_derefs(const Param& param, StringView line) {
  const char16_t deref = program_.syntax.deref;
  const String& t = param.text;
  int count = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] != deref || param.escaped[i]) continue;
    size_t j = i + 1;
    while (j < t.size() && t[j] != deref) ++j;
    if (j >= t.size())
      return load_error(program_, message(Msg::DerefMissingPercent), line);
    if (param.escaped[j]) return load_error(program_, message(Msg::InvalidEscapedPercent), line);
    if (j == i + 1) return load_error(program_, message(Msg::EmptyDeref), line);
    if (j - i - 1 > size_t(kMaxVarNameLength)) return load_error(program_, message(Msg::VarNameTooLong), line);
    if (++count > kMaxDerefsPerParam) return load_error(program_, message(Msg::TooManyDerefs), line);
    i = j;
  }
  return ResultDone;
}

// x++ and ++x alone on a line are the legacy x += 1 (x -= 1 for "-").
Result LineParser::add_step_line(StringView name, char16_t sign, StringView line) {
  std::vector<Param> params(2);
  params[0].text = String(name);
  params[0].escaped.assign(name.size(), false);
  params[1].text = u"1";
  params[1].escaped.assign(1, false);
  return add_line(sign == u'+' ? CmdAddAssign : CmdSubAssign, params, line);
}

Result LineParser::add_simple_line(CommandId id, StringView line) {
  std::vector<Param> none;
  return add_line(id, none, line);
}

Result LineParser::add_expression_line(CommandId id, StringView text, StringView line) {
  std::vector<Param> params(1);
  params[0].text = translate_escapes(text, program_.syntax.escape, params[0].escaped);
  return add_line(id, params, line);
}

Result LineParser::add_block_begin(Block kind) {
  if (!add_simple_line(CmdBlockBegin, u"{")) return ResultFailed;
  if (kind == Block::FunctionBody) program_.last_line->mark_function_body();
  return ResultDone;
}

Result LineParser::add_block_end() { return add_simple_line(CmdBlockEnd, u"}"); }

Result LineParser::add_closing_lines() {
  for (int i = 0; i < 3; ++i)
    if (!add_simple_line(CmdExit, u"Exit")) return ResultFailed;
  return ResultDone;
}

Result LineParser::add_label(StringView name, LabelNames names, StringView line_text, Label** created) {
  if (names == LabelNames::Unique && program_.find_label(name))
    return load_error(program_, message(Msg::DuplicateLabel), line_text);
  auto* label = program_.pool.make<Label>();
  label->name = program_.pool.copy(name);
  label->line_number = program_.current_line_number;
  program_.labels.push_back(label);
  program_.labels_awaiting_line.push_back(label);
  if (equals_ignore_case(name, u"OnClipboardChange")) program_.clipboard_change_label = label;
  if (created) *created = label;
  return ResultDone;
}

Label* ScriptProgram::find_label(StringView name) const {
  for (Label* l : labels)
    if (equals_ignore_case(l->name, name)) return l;
  return nullptr;
}

// --- parameters ------------------------------------------------------------------------

void LineParser::split_params(StringView raw, const CommandLookup& cmd, std::vector<Param>& out, int max_params,
                              int first_param) {
  const SyntaxChars& syn = program_.syntax;
  std::vector<bool> esc;
  String text = translate_escapes(raw, syn.escape, esc);
  auto next_delim = [&](size_t from) {
    for (size_t i = from; i < text.size(); ++i)
      if (text[i] == syn.delimiter && !esc[i]) return i;
    return text.size();
  };
  size_t i = 0;
  int n = 1;
  out.clear();
  if (text.empty()) return;
  for (;;) {
    size_t end;
    bool prefix = i + 1 < text.size() && text[i] == syn.deref && !esc[i] && is_blank(text[i + 1]);
    if (n >= max_params) {
      end = text.size();
    } else if (prefix) {
      end = find_expression_end(text, syn.delimiter, i, &esc);
    } else {
      end = next_delim(i);
      if (is_numeric_param(cmd, n + first_param - 1)) {
        StringView piece = StringView(text).substr(i, end - i);
        if (piece.find_first_of(u"([{\"") != StringView::npos) end = find_expression_end(text, syn.delimiter, i, &esc);
      }
    }
    Param p;
    size_t len = trim_right(StringView(text).substr(i, end - i)).size();
    size_t start = i;
    if (prefix) {
      start = i + 1;
      while (start < i + len && is_blank(text[start])) ++start;
      p.expression_prefix = true;
    }
    p.text = text.substr(start, i + len - start);
    p.escaped.assign(esc.begin() + start, esc.begin() + (i + len));
    out.push_back(std::move(p));
    if (end >= text.size()) break;
    i = end + 1;
    while (i < text.size() && is_blank(text[i])) ++i;
    ++n;
  }
}

Result LineParser::parse_command(const CommandLookup& cmd, StringView word, StringView rest, StringView line) {
  const SyntaxChars& syn = program_.syntax;
  rest = trim_left(rest);
  if (!rest.empty() && rest[0] == syn.delimiter) rest = trim_left(rest.substr(1));
  int max = cmd.max_params;

  // MsgBox takes its whole text as the message unless it starts with options.
  if (cmd.id == CmdMsgBox) {
    size_t d = rest.find(syn.delimiter);
    StringView first = trim_right(rest.substr(0, d));
    bool options = is_plain_number(first, false) || (first.size() > 1 && first[0] == syn.deref && is_blank(first[1]));
    if (!options) max = 1;
  }

  // One-line legacy conditionals: a command after the condition is a line of its own.
  bool one_line_if = (cmd.id >= CmdIfEqual && cmd.id <= CmdIfLessOrEqual) ||
                     (cmd.id >= CmdIfWinExist && cmd.id <= CmdIfMsgBox);
  StringView tail;
  if (one_line_if) {
    int wanted = (cmd.id >= CmdIfWinExist && cmd.id <= CmdIfWinNotActive) ? 3 : 1;
    int seen = 0;
    for (size_t i = 0; i < rest.size(); ++i) {
      if (rest[i] == syn.escape) { ++i; continue; }
      if (rest[i] != syn.delimiter) continue;
      if (++seen < wanted) continue;
      StringView after = trim_left(rest.substr(i + 1));
      size_t w = 0;
      while (w < after.size() && !is_blank(after[w]) && after[w] != syn.delimiter) ++w;
      CommandLookup inner;
      if (w > 0 && find_command(after.substr(0, w), inner)) {
        tail = after;
        rest = trim_right(rest.substr(0, i));
        break;
      }
    }
  }

  std::vector<Param> params;
  if (cmd.id == CmdMsgBox && max > 1) {
    // The text may hold commas: only a last part that is a number is the
    // timeout, and everything between the title and it is the text.
    size_t last = StringView::npos;
    int parts = 1;
    for (size_t i = 0; i < rest.size(); ++i) {
      if (rest[i] == syn.escape) { ++i; continue; }
      if (rest[i] == syn.delimiter) { ++parts; last = i; }
    }
    if (parts >= 4 && is_plain_number(trim(rest.substr(last + 1)), true)) {
      split_params(rest.substr(0, last), cmd, params, 3);
      std::vector<Param> timeout;
      split_params(trim_left(rest.substr(last + 1)), cmd, timeout, 1);
      params.resize(3);
      params.push_back(std::move(timeout[0]));
    } else {
      split_params(rest, cmd, params, 3);
    }
  } else {
    split_params(rest, cmd, params, max);
  }

  if (params.size() < cmd.min_params)
    return load_error(program_, too_few_params_message(command_name(cmd), cmd.min_params), line);
  // Aliases become forms that add_line does not check, so their required
  // parameters are checked here under the alias's own name.
  for (size_t i = 0; cmd.alias != AliasNone && i < cmd.min_params; ++i) {
    if (params[i].text.empty())
      return load_error(program_, blank_param_message(command_name(cmd), int64_t(i + 1)), line);
  }

  if (cmd.alias == AliasWinGetActiveTitle) {
    params.resize(2);
    params[1].text = u"A";
    params[1].escaped.assign(1, false);
  } else if (cmd.alias == AliasWinGetActiveStats) {
    std::vector<Param> title(2), pos(5);
    title[0] = params[0];
    title[1].text = u"A";
    title[1].escaped.assign(1, false);
    pos[0] = params[3];
    pos[1] = params[4];
    pos[2] = params[1];
    pos[3] = params[2];
    pos[4].text = u"A";
    pos[4].escaped.assign(1, false);
    if (!add_line(CmdWinGetTitle, title, line)) return ResultFailed;
    return add_line(CmdWinGetPos, pos, line);
  }
  if (!add_line(cmd.id, params, line)) return ResultFailed;
  if (!tail.empty()) return parse_line(tail);
  return ResultDone;
}

Result LineParser::parse_if(StringView after_if, StringView line) {
  const SyntaxChars& syn = program_.syntax;
  StringView body = trim_left(after_if);
  bool brace = false;
  auto add_brace = [&]() -> Result { return brace ? add_block_begin() : ResultDone; };
  if (!body.empty() && body.back() == u'{') {
    brace = true;
    body = trim_right(body.substr(0, body.size() - 1));
  }
  if (body.empty()) return load_error(program_, too_few_params_message(u"If", 1), line);
  if (body[0] == u'(' || (body.size() > 1 && body[0] == syn.deref && is_blank(body[1]))) {
    StringView expr = body;
    if (body[0] == syn.deref) expr = trim_left(body.substr(1));
    if (!add_expression_line(CmdIfExpr, expr, line)) return ResultFailed;
    return add_brace();
  }
  size_t i = 0;
  while (i < body.size() && kFirstWordEnds.find(body[i]) == StringView::npos && body[i] != syn.delimiter) ++i;
  StringView var = body.substr(0, i);
  StringView rest = trim_left(body.substr(i));
  struct Op { StringView text; CommandId id; bool word; };
  static constexpr Op kOps[] = {
      {u"<>", CmdIfNotEqual, false}, {u"!=", CmdIfNotEqual, false}, {u">=", CmdIfGreaterOrEqual, false},
      {u"<=", CmdIfLessOrEqual, false}, {u"=", CmdIfEqual, false}, {u">", CmdIfGreater, false},
      {u"<", CmdIfLess, false}, {u"not between", CmdIfNotBetween, true}, {u"between", CmdIfBetween, true},
      {u"not in", CmdIfNotIn, true}, {u"in", CmdIfIn, true}, {u"not contains", CmdIfNotContains, true},
      {u"contains", CmdIfContains, true}, {u"is not", CmdIfIsNot, true}, {u"is", CmdIfIs, true},
  };
  for (const Op& op : kOps) {
    if (op.word) {
      if (equals_ignore_case(var, u"not")) continue;
      if (!starts_with_ignore_case(rest, op.text) || rest.size() <= op.text.size() || !is_blank(rest[op.text.size()]))
        continue;
    } else if (!begins_with(rest, op.text) || var.empty()) {
      continue;
    }
    // A comparison operator followed by more operator characters is an expression (x == y).
    if (!op.word && op.text == u"=" && rest.size() > 1 && rest[1] == u'=') break;
    if (var.empty() || !is_plain_name(var)) break;
    StringView value = trim_left(rest.substr(op.text.size()));
    std::vector<Param> params(1);
    params[0].text = String(var);
    params[0].escaped.assign(var.size(), false);
    if (op.id == CmdIfBetween || op.id == CmdIfNotBetween) {
      size_t and_at = StringView::npos;
      for (size_t k = 1; k + 4 < value.size() + 1; ++k) {
        if (is_blank(value[k - 1]) && starts_with_ignore_case(value.substr(k), u"and") && k + 3 < value.size() &&
            is_blank(value[k + 3])) {
          and_at = k;
          break;
        }
      }
      if (and_at == StringView::npos) return load_error(program_, message(Msg::BetweenWithoutAnd), line);
      Param low, high;
      low.text = translate_escapes(trim(value.substr(0, and_at)), syn.escape, low.escaped);
      high.text = translate_escapes(trim(value.substr(and_at + 3)), syn.escape, high.escaped);
      params.push_back(std::move(low));
      params.push_back(std::move(high));
    } else {
      Param p;
      p.text = translate_escapes(value, syn.escape, p.escaped);
      params.push_back(std::move(p));
    }
    if (!add_line(op.id, params, line)) return ResultFailed;
    return add_brace();
  }
  if (!add_expression_line(CmdIfExpr, body, line)) return ResultFailed;
  return add_brace();
}

Result LineParser::parse_declaration(StringView keyword, StringView list, StringView line) {
  const char16_t delim = u',';
  bool is_global = equals_ignore_case(keyword, u"Global");
  bool is_static = equals_ignore_case(keyword, u"Static");
  Func* f = program_.in_function ? program_.current_func : nullptr;
  if (f) {
    // A declaration list as the body's first line fixes the scope mode:
    // declaring locals means everything else is global, and vice versa.
    // Later lists (after a Static list, say) leave the mode to the first
    // line that is no declaration.
    bool first_line = !f->body_started;
    f->body_started = true;
    if (f->scope_mode == ScopeMode::Unset && first_line && !is_static)
      f->scope_mode = is_global ? ScopeMode::AssumeLocal : ScopeMode::AssumeGlobal;
    if (is_global && f->scope_mode == ScopeMode::AssumeGlobal)
      return load_error(program_, message(Msg::GlobalsNotAllowed), line);
    if (!is_global && !is_static && f->scope_mode == ScopeMode::AssumeLocal)
      return load_error(program_, message(Msg::LocalsNotAllowed), line);
  }
  size_t i = 0;
  while (i < list.size()) {
    size_t end = find_expression_end(list, delim, i, nullptr);
    StringView item = trim(list.substr(i, end - i));
    size_t n = 0;
    while (n < item.size() && is_name_char(item[n])) ++n;
    StringView name = item.substr(0, n);
    StringView rest = trim_left(item.substr(n));
    if (name.empty()) return load_error(program_, message(Msg::NoRecognizedAction), line);
    if (!f) {
      // Declared global outside any function: visible in every function.
      Variable* v = find_or_add_variable(program_, name);
      if (!v) return ResultFailed;
      v->scope |= ScopeSuperGlobal | ScopeDeclared;
    } else if (!declare_in_function(*f, keyword, name, line)) {
      return ResultFailed;
    }
    if (!rest.empty()) {
      StringView init;
      if (begins_with(rest, u":=")) init = trim_left(rest.substr(2));
      else if (rest[0] == u'=') init = trim_left(rest.substr(1));
      else return load_error(program_, message(Msg::NoRecognizedAction), line);
      String assignment = String(name) + u" := " + String(init);
      if (!parse_line(assignment, is_static ? CmdStatic : CmdInvalid)) return ResultFailed;
    }
    i = end + 1;
  }
  return ResultDone;
}

// One name of a declaration list inside a function body.
Result LineParser::declare_in_function(Func& f, StringView keyword, StringView name, StringView line) {
  if (is_builtin_variable_name(name) && !equals_ignore_case(name, u"ErrorLevel"))
    return load_error(program_, message(Msg::BuiltinVarDeclared), line);
  if (Variable* existing = find_local_variable(f, name)) {
    if (existing->scope & ScopeParam) return load_error(program_, message(Msg::ParamDeclared), line);
    bool same = equals_ignore_case(keyword, u"Static") ? (existing->scope & ScopeStatic) != 0
                                                        : !(existing->scope & ScopeStatic) && equals_ignore_case(keyword, u"Local");
    if (same) return ResultDone;
    Msg conflict = existing->scope & ScopeDeclared ? Msg::DuplicateDeclaration : Msg::DeclarationConflict;
    return load_error(program_, message(conflict), line);
  }
  if (equals_ignore_case(keyword, u"Global")) {
    if (f.global_declarations.size() >= 2000) return load_error(program_, message(Msg::TooManyDeclarations), line);
    Variable* g = find_global_or_add(program_, name);
    if (!g) return ResultFailed;
    for (Variable* d : f.global_declarations)
      if (d == g) return ResultDone;
    f.global_declarations.push_back(g);
    return ResultDone;
  }
  VariableList& list = equals_ignore_case(keyword, u"Static") ? f.statics : f.locals;
  size_t at = 0;
  bool lazy = false;
  list.find(name, &at, &lazy);
  if (!check_name(name, NameKind::Variable)) return ResultFailed;
  Variable* v = permanent_pool().make<Variable>();
  v->name = permanent_pool().copy(name).data();
  v->scope = ScopeLocal | ScopeDeclared | (equals_ignore_case(keyword, u"Static") ? ScopeStatic : 0);
  if (!list.insert(v, at, lazy)) return ResultFailed;
  return ResultDone;
}

Result LineParser::parse_for(StringView rest, StringView line) {
  const SyntaxChars& syn = program_.syntax;
  StringView body = trim(rest);
  if (!body.empty() && body[0] == syn.delimiter) body = trim_left(body.substr(1));
  bool brace = false;
  if (!body.empty() && body.back() == u'{') {
    brace = true;
    body = trim_right(body.substr(0, body.size() - 1));
  }
  size_t in_at = StringView::npos;
  for (size_t k = 1; k + 2 < body.size(); ++k) {
    if (is_blank(body[k - 1]) && starts_with_ignore_case(body.substr(k), u"in") && is_blank(body[k + 2])) {
      in_at = k;
      break;
    }
  }
  if (in_at == StringView::npos) return load_error(program_, message(Msg::ForWithoutIn), line);
  StringView vars = trim(body.substr(0, in_at));
  size_t d = vars.find(syn.delimiter);
  StringView key = trim(vars.substr(0, d));
  StringView value = d == StringView::npos ? StringView() : trim(vars.substr(d + 1));
  if (!is_plain_name(key) || (d != StringView::npos && !is_plain_name(value)))
    return load_error(program_, message(Msg::ForSyntaxError), line);
  std::vector<Param> params(3);
  params[0].text = String(key);
  params[0].escaped.assign(key.size(), false);
  params[1].text = String(value);
  params[1].escaped.assign(value.size(), false);
  params[2].text = translate_escapes(trim(body.substr(in_at + 2)), syn.escape, params[2].escaped);
  if (!add_line(CmdFor, params, line)) return ResultFailed;
  return brace ? add_block_begin() : ResultDone;
}

// --- the line ---------------------------------------------------------------------------

// Else, Try, Finally and Catch may carry their body on the same line, and
// that body may be another of them: each piece is parsed in turn, in a loop,
// so that a line of many nests no calls.
Result LineParser::parse_line(StringView line, CommandId forced) {
  for (;;) {
    StringView body;
    if (!parse_statement(line, forced, body)) return ResultFailed;
    if (body.empty()) return ResultDone;
    line = body;
    forced = CmdInvalid;
  }
}

Result LineParser::parse_statement(StringView line, CommandId forced, StringView& body) {
  const SyntaxChars& syn = program_.syntax;
  line = trim(line);
  if (line.empty()) return ResultDone;

  if (forced == CmdStatic || forced == CmdHashIf) {
    // Static: name := expression, run once before the auto-execute section.
    return add_expression_line(forced, line, line);
  }

  bool handled = false;
  Result r = parse_declaration_line(line, handled);
  if (handled) return r;

  // The first line that is no declaration ends the body's declarations;
  // names not declared by then are local unless the mode says otherwise.
  if (program_.in_function && program_.current_func && forced == CmdInvalid) {
    Func* f = program_.current_func;
    f->body_started = true;
    if (f->scope_mode == ScopeMode::Unset) f->scope_mode = ScopeMode::AssumeLocal;
  }

  size_t w = 0;
  while (w < line.size() && kFirstWordEnds.find(line[w]) == StringView::npos && line[w] != syn.delimiter) ++w;
  StringView word = line.substr(0, w);
  if (word.size() > size_t(kMaxVarNameLength))
    return load_error(program_, message(Msg::NoRecognizedAction), line);
  StringView rest = line.substr(w);
  bool command_like = rest.empty() || rest[0] == syn.delimiter || is_blank(rest[0]) ||
                      ((equals_ignore_case(word, u"If") || equals_ignore_case(word, u"While")) && rest[0] == u'(');

  bool same_line_body = command_like || (!rest.empty() && rest[0] == u'{');
  if (same_line_body && (equals_ignore_case(word, u"Else") || equals_ignore_case(word, u"Try") ||
                         equals_ignore_case(word, u"Finally") || equals_ignore_case(word, u"Catch")))
    return parse_block_keyword(word, rest, line, body);

  if (equals_ignore_case(word, u"If") && command_like) return parse_if(rest, line);

  r = parse_assignment_form(word, rest, command_like, line, handled);
  if (handled) return r;

  if (command_like && !word.empty()) {
    CommandLookup cmd;
    if (find_command(word, cmd)) return parse_command_line(cmd, word, rest, line);
  }

  if (line.find(u'?') != StringView::npos || line[0] == u'(' || line[0] == u'[' ||
      (starts_with_ignore_case(line, u"new") && line.size() > 3 && is_blank(line[3])))
    return add_expression_line(CmdExpression, line, line);

  if (line.find(u"::") != StringView::npos) return load_error(program_, message(Msg::InvalidHotkey), line);
  return load_error(program_, message(Msg::NoRecognizedAction), line);
}

// Global anywhere, Local and Static only in a function body.
Result LineParser::parse_declaration_line(StringView line, bool& handled) {
  for (StringView kw : {StringView(u"Global"), StringView(u"Local"), StringView(u"Static")}) {
    if (kw != StringView(u"Global") && !program_.in_function) continue;
    if (!starts_with_ignore_case(line, kw) || (line.size() != kw.size() && !is_blank(line[kw.size()]))) continue;
    StringView list = trim_left(line.substr(kw.size()));
    if (list.empty()) {
      handled = true;
      // A mode line, as a body's first line, sets the function's default scope.
      Func* f = program_.in_function ? program_.current_func : nullptr;
      if (!f || f->body_started || equals_ignore_case(kw, u"Local"))
        return load_error(program_, message(Msg::NoRecognizedAction), line);
      f->body_started = true;
      f->scope_mode = equals_ignore_case(kw, u"Global") ? ScopeMode::AssumeGlobal : ScopeMode::AssumeStatic;
      return ResultDone;
    }
    if (is_name_char(list[0])) {
      handled = true;
      return parse_declaration(kw, list, line);
    }
  }
  return ResultDone;
}

// Else, Try, Finally and Catch, with what follows them on the line left in
// `body` for the caller to parse next.
Result LineParser::parse_block_keyword(StringView word, StringView rest, StringView line, StringView& body) {
  const SyntaxChars& syn = program_.syntax;
  CommandId id = equals_ignore_case(word, u"Else") ? CmdElse
                 : equals_ignore_case(word, u"Try") ? CmdTry
                 : equals_ignore_case(word, u"Finally") ? CmdFinally : CmdCatch;
  StringView after = trim_left(rest);
  if (!after.empty() && after[0] == syn.delimiter && id != CmdCatch) after = trim_left(after.substr(1));
  if (id == CmdCatch && !after.empty() && after[0] != u'{') {
    StringView var = after;
    bool brace = false;
    if (var.back() == u'{') {
      brace = true;
      var = trim_right(var.substr(0, var.size() - 1));
    }
    std::vector<Param> params(1);
    params[0].text = String(var);
    params[0].escaped.assign(var.size(), false);
    if (!add_line(CmdCatch, params, line)) return ResultFailed;
    return brace ? add_block_begin() : ResultDone;
  }
  if (!add_simple_line(id, line)) return ResultFailed;
  if (!after.empty() && after[0] == u'{') {
    if (!add_block_begin()) return ResultFailed;
    after = trim_left(after.substr(1));
  }
  body = after;
  return ResultDone;
}

// Assignment and expression forms, decided by the operator after the first
// word; `handled` false when the line is none of them.
Result LineParser::parse_assignment_form(StringView word, StringView rest, bool command_like, StringView line,
                                         bool& handled) {
  const SyntaxChars& syn = program_.syntax;
  handled = true;
  StringView op = trim_left(rest);
  bool touching = !rest.empty() && !is_blank(rest[0]);
  if (!word.empty() && (rest.empty() || rest[0] != syn.delimiter)) {
    if (begins_with(op, u":=")) return add_assignment(CmdAssignExpr, word, op.substr(2), line);
    if (begins_with(op, u"+=")) return add_assignment(CmdAddAssign, word, op.substr(2), line);
    if (begins_with(op, u"-=")) return add_assignment(CmdSubAssign, word, op.substr(2), line);
    if (begins_with(op, u"*=")) return add_assignment(CmdMultAssign, word, op.substr(2), line);
    if (begins_with(op, u"/=")) return add_assignment(CmdDivAssign, word, op.substr(2), line);
    if (begins_with(op, u"=") && !begins_with(op, u"==")) return add_assignment(CmdAssign, word, op.substr(1), line);
    for (StringView compound : {u".=", u"//=", u"&=", u"^=", u"|=", u"<<=", u">>="})
      if (begins_with(op, compound)) return add_expression_line(CmdExpression, line, line);
    if (begins_with(op, u"++") || begins_with(op, u"--")) {
      if (trim(op.substr(2)).empty() && is_plain_name(word)) return add_step_line(word, op[0], line);
      return add_expression_line(CmdExpression, line, line);
    }
    if (touching && (rest[0] == u'.' || rest[0] == u'[' || (rest[0] == u'(' && !command_like)))
      return add_expression_line(CmdExpression, line, line);
  }
  if (word.empty() && (begins_with(line, u"++") || begins_with(line, u"--"))) {
    StringView name = trim(line.substr(2));
    if (is_plain_name(name)) return add_step_line(name, line[0], line);
    return add_expression_line(CmdExpression, line, line);
  }
  handled = false;
  return ResultDone;
}

// name := value, name = value (the legacy form, CmdAssign) and the
// arithmetic assignments; `value` is what follows the operator.
Result LineParser::add_assignment(CommandId id, StringView word, StringView value, StringView line) {
  const SyntaxChars& syn = program_.syntax;
  const bool legacy = id == CmdAssign;
  value = trim_left(value);
  std::vector<bool> esc;
  String translated = translate_escapes(value, syn.escape, esc);
  // A list of expressions after the first one makes the line an
  // expression statement.
  size_t comma = legacy ? translated.size() : find_expression_end(translated, syn.delimiter, 0, &esc);
  if (comma < translated.size()) {
    // x += 1, Days: a third part without operator characters is the
    // time unit; anything else makes the line a list of expressions.
    bool units = id == CmdAddAssign || id == CmdSubAssign;
    if (units) {
      StringView third = StringView(translated).substr(comma + 1);
      units = third.find_first_of(u"<>=/|^,:*&~!()[]{}+-?.\"") == StringView::npos;
    }
    if (!units) return add_expression_line(CmdExpression, line, line);
  }
  std::vector<Param> params(1);
  params[0].text = String(word);
  params[0].escaped.assign(word.size(), false);
  if (legacy) {
    CommandLookup c{id, AliasNone, 1, 2};
    std::vector<Param> rhs;
    split_params(value, c, rhs, 1);
    if (!rhs.empty()) {
      if (rhs[0].expression_prefix) {
        rhs[0].expression_prefix = false;
        params.push_back(std::move(rhs[0]));
        return add_line(CmdAssignExpr, params, line);
      }
      params.push_back(std::move(rhs[0]));
    }
    return add_line(id, params, line);
  }
  CommandLookup c{id, AliasNone, command_info(id).min_params, command_info(id).max_params};
  std::vector<Param> rhs;
  // The value is the command's second parameter.
  split_params(value, c, rhs, id == CmdAddAssign || id == CmdSubAssign ? 2 : 1, 2);
  for (Param& p : rhs) params.push_back(std::move(p));
  if (id == CmdAssignExpr && params.size() == 1) params.emplace_back();
  return add_line(id, params, line);
}

// A line that begins with a command's name: For, While and Loop may open a
// block on the same line; every other command parses its parameters.
Result LineParser::parse_command_line(const CommandLookup& cmd, StringView word, StringView rest, StringView line) {
  const SyntaxChars& syn = program_.syntax;
  if (cmd.id == CmdFor) return parse_for(rest, line);
  if (cmd.id != CmdWhile && cmd.id != CmdLoop) return parse_command(cmd, word, rest, line);
  StringView body = trim(rest);
  bool brace = !body.empty() && body.back() == u'{';
  if (brace) body = trim_right(body.substr(0, body.size() - 1));
  if (cmd.id == CmdWhile) {
    if (!body.empty() && body[0] == syn.delimiter) body = trim_left(body.substr(1));
    if (body.empty()) return load_error(program_, too_few_params_message(u"While", 1), line);
    if (!add_expression_line(CmdWhile, body, line)) return ResultFailed;
  } else if (!parse_command(cmd, word, body, line)) {
    return ResultFailed;
  }
  return brace ? add_block_begin() : ResultDone;
}

}  // namespace orv
