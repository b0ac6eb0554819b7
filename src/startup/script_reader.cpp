#include "startup/script_reader.h"


#include "base/messages.h"
#include "input/hotkey_table.h"
#include "input/key_names.h"
#include "objects/class_builder.h"
#include "parser/escapes.h"
#include "parser/function_definition.h"
#include "parser/line_parser.h"
#include "runtime/errors.h"
#include "runtime/func.h"
#include "startup/literal_dll_targets.h"

namespace orv {

namespace {

bool is_name_char(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
         c == u'$' || c == u'#' || c == u'@' || c >= 128;
}

bool is_ascii_alnum(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'); }

bool begins_with(StringView s, StringView prefix) { return s.substr(0, prefix.size()) == prefix; }

// The keyword followed by a blank or the end of the line.
bool begins_with_word(StringView line, StringView word) {
  return starts_with_ignore_case(line, word) && (line.size() == word.size() || is_blank(line[word.size()]));
}

// Removes a trailing "{" (and the blanks before it); tells whether it did.
bool strip_open_brace(StringView& line) {
  if (line.empty() || line.back() != u'{') return false;
  line = trim_right(line.substr(0, line.size() - 1));
  return true;
}

// Name(...) with the line ending in ")": what a function definition looks like.
bool looks_like_function_definition(StringView line) {
  static constexpr StringView kNotInName = u" \t<>=/|^,:*&~!()[]{}+-?.\"'\\;`";
  size_t i = 0;
  while (i < line.size() && kNotInName.find(line[i]) == StringView::npos) ++i;
  if (i == 0 || i >= line.size() || line[i] != u'(') return false;
  if (i + 1 < line.size() && line[i + 1] == u':') return false;
  StringView name = line.substr(0, i);
  if (equals_ignore_case(name, u"If") || equals_ignore_case(name, u"While")) return false;
  return line.back() == u')';
}

bool looks_like_class_definition(StringView line) {
  return line.size() > 6 && starts_with_ignore_case(line, u"Class") && is_blank(line[5]) &&
         is_name_char(trim_left(line.substr(5)).empty() ? u' ' : trim_left(line.substr(5))[0]);
}

// A name directly followed by "[" or (after blanks) by "{".
bool looks_like_property_definition(StringView line) {
  size_t i = 0;
  while (i < line.size() && is_name_char(line[i])) ++i;
  if (i == 0 || i == line.size()) return false;
  if (line[i] == u'[') return true;
  StringView rest = trim_left(line.substr(i));
  return rest == u"{";
}

// name [:= expr] [, name [:= expr] ...]: the lines that declare class
// variables. Every item is checked, so that a command with parameters
// ("Sleep, 10") is not taken for a list of names.
bool looks_like_declaration(StringView line) {
  for (size_t i = 0; i <= line.size();) {
    size_t end = find_expression_end(line, u',', i, nullptr);
    StringView item = trim(line.substr(i, end - i));
    size_t n = 0;
    while (n < item.size() && is_name_char(item[n])) ++n;
    if (n == 0 || (item[0] >= u'0' && item[0] <= u'9')) return false;
    StringView rest = trim_left(item.substr(n));
    if (!rest.empty() && !begins_with(rest, u":=")) return false;
    i = end + 1;
  }
  return true;
}

}  // namespace

// --- physical lines ------------------------------------------------------------

void ScriptReader::strip_trailing_comment(String& line, bool trim_after) {
  const String& flag = program_.syntax.comment_flag;
  size_t from = 0;
  for (;;) {
    size_t at = line.find(flag, from);
    if (at == String::npos) return;
    if (at == 0) {
      line.clear();
      return;
    }
    char16_t before = line[at - 1];
    if (is_blank(before)) {
      line.resize(at);
      // Section lines keep their blanks for the section's RTrim option.
      if (trim_after) line.resize(trim_right(line).size());
      return;
    }
    if (before == program_.syntax.escape) {
      line.erase(at - 1, 1);
      from = at - 1 + flag.size();
      continue;
    }
    from = at + 1;
  }
}

// A trimmed line of code: a comment flag at its start makes it empty.
void ScriptReader::strip_comments(String& line) {
  if (begins_with(line, program_.syntax.comment_flag)) {
    line.clear();
    return;
  }
  strip_trailing_comment(line, true);
}

int ScriptReader::read_line(String& line, int mode) {
  if (!source_->next_line(line)) return -1;
  StringView lead = trim_left(line);
  bool closing = !lead.empty() && lead[0] == u')';
  if (mode == 1 && !closing) return int(line.size());
  if (mode == 2) {
    if (begins_with(lead, program_.syntax.comment_flag)) return -2;
    if (closing) line.erase(0, line.size() - lead.size());
    strip_trailing_comment(line, false);
    return int(line.size());
  }
  line = String(trim(line));
  strip_comments(line);
  return int(line.size());
}

bool ScriptReader::next_code_line(String& line, uint32_t& number) {
  for (;;) {
    if (!source_->next_line(line)) return false;
    number = source_->line_number();
    line = String(trim(line));
    // Block comments are recognised before comments are stripped, so that
    // the text after a closing "*/" is read as a line of its own.
    if (in_block_comment_) {
      if (!begins_with(line, u"*/")) continue;
      in_block_comment_ = false;
      line = String(trim_left(StringView(line).substr(2)));
    } else if (begins_with(line, u"/*")) {
      in_block_comment_ = true;
      continue;
    } else if (begins_with(line, u"*/") && !begins_with(line, u"*/::")) {
      line = String(trim_left(StringView(line).substr(2)));
    }
    strip_comments(line);
    if (!line.empty()) return true;
  }
}

// --- logical lines ---------------------------------------------------------------

bool ScriptReader::starts_section(StringView line) const {
  return !line.empty() && line[0] == u'(' && !(line.size() > 1 && line[1] == u':') && line.back() != u':';
}

bool ScriptReader::is_continuation_line(StringView line) const {
  if (line.empty()) return false;
  if (begins_with(line, u"++") || begins_with(line, u"--") || begins_with(line, u"::")) return false;
  static constexpr StringView kContinuers = u"<>=/|^,:.+-*&!?~";
  bool continues = kContinuers.find(line[0]) != StringView::npos;
  if (!continues) {
    size_t word = begins_with_word(line, u"and") ? 3 : begins_with_word(line, u"or") ? 2 : 0;
    if (word == 0 || line.size() == word) return false;
    StringView after = trim_left(line.substr(word));
    // "and := 5" assigns to a variable named "and".
    if (!after.empty() && StringView(u"<>=/|^,:").find(after[0]) != StringView::npos) return false;
    continues = true;
  }
  if (line.back() == u':' && line[0] != u',') return false;
  size_t dc = line.find(u"::");
  if (dc != StringView::npos) {
    if (line[0] == u':') {
      size_t next = line.find(u':', 1);
      StringView opts = line.substr(1, next == StringView::npos ? StringView::npos : next - 1);
      bool only_options = true;
      for (char16_t c : opts)
        if (!is_ascii_alnum(c) && c != u'?' && c != u'*' && c != u'-' && !is_blank(c)) only_options = false;
      if (only_options) return false;
    }
    if (line[0] != u',') {
      size_t q = line.find(u'"');
      if (q == StringView::npos || q > dc || line.find(u'"', dc) == StringView::npos) return false;
    } else {
      StringView after = trim_left(line.substr(1));
      if (begins_with(after, u"::") || begins_with(line.substr(1), u" & ")) return false;
    }
  }
  return continues;
}

Result ScriptReader::read_section(StringView options_line, String& logical) {
  const SyntaxChars& syn = program_.syntax;
  String join(u"\n");
  bool ltrim = syn.ltrim_sections, rtrim = true, comments = false;
  bool literal_escape = false, literal_percent = false, escape_commas = true;
  StringView opts = options_line.substr(1);
  size_t i = 0;
  for (;;) {
    StringView word = next_word(opts, i);
    if (word.empty()) break;
    if (starts_with_ignore_case(word, u"Join")) {
      join = translate_escapes(word.substr(4), syn.escape);
      if (join.size() > 15) join.resize(15);
    } else if (starts_with_ignore_case(word, u"LTrim")) {
      ltrim = word.substr(5) != u"0";
    } else if (starts_with_ignore_case(word, u"RTrim")) {
      rtrim = word.substr(5) != u"0";
    } else {
      for (char16_t c : word) {
        if (c == u'%') literal_percent = true;
        else if (c == u',') escape_commas = false;
        else if (c == u'C' || c == u'c') comments = true;
        else if (c == u'`') literal_escape = true;
      }
    }
  }

  String line;
  bool first = true;
  for (;;) {
    int r = read_line(line, comments ? 2 : 1);
    if (r == -1) return load_error(program_, message(Msg::MissingCloseParen), logical);
    if (r == -2) continue;
    StringView lead = trim_left(line);
    if (!lead.empty() && lead[0] == u')') {
      StringView rest = trim_right(lead.substr(1));
      if (logical.size() + rest.size() > kMaxLogicalLine)
        return load_error(program_, message(Msg::ContinuationTooLong), logical);
      logical += rest;
      return ResultDone;
    }
    StringView text = line;
    if (ltrim) text = trim_left(text);
    if (rtrim) text = trim_right(text);
    String piece;
    piece.reserve(text.size() + 16);
    for (char16_t c : text) {
      if (literal_escape && c == syn.escape) piece.push_back(syn.escape);
      else if (literal_percent && c == syn.deref) piece.push_back(syn.escape);
      else if (escape_commas && c == syn.delimiter) piece.push_back(syn.escape);
      piece.push_back(c);
    }
    size_t added = (first ? 0 : join.size()) + piece.size();
    if (logical.size() + added > kMaxLogicalLine)
      return load_error(program_, message(Msg::ContinuationTooLong), logical);
    if (!first) logical += join;
    logical += piece;
    first = false;
  }
}

bool ScriptReader::read_logical_line(String& line, uint32_t& number, Result& error) {
  error = ResultDone;
  if (!have_pending_ && !next_code_line(pending_, pending_number_)) return false;
  have_pending_ = false;
  line = std::move(pending_);
  number = pending_number_;
  program_.current_line_number = number;
  // A new comment flag must govern the very next physical line.
  static constexpr StringView kCommentFlag = u"#CommentFlag";
  bool comment_flag = starts_with_ignore_case(line, kCommentFlag) &&
                      (line.size() == kCommentFlag.size() || is_blank(line[kCommentFlag.size()]) ||
                       line[kCommentFlag.size()] == program_.syntax.delimiter);
  if (comment_flag && apply_directive(line) == DirectiveOutcome::Failed) {
    error = ResultFailed;
    return true;
  }
  String next;
  uint32_t next_number;
  while (next_code_line(next, next_number)) {
    if (starts_section(next) && next.find(u')') == String::npos) {
      if (!read_section(next, line)) {
        error = ResultFailed;
        return true;
      }
      continue;
    }
    if (is_continuation_line(next)) {
      bool space = next[0] != u',';
      if (line.size() + next.size() + (space ? 1 : 0) > kMaxLogicalLine - 1) {
        error = load_error(program_, message(Msg::ContinuationTooLong), line);
        return true;
      }
      if (space) line += u' ';
      line += next;
      continue;
    }
    pending_ = std::move(next);
    pending_number_ = next_number;
    have_pending_ = true;
    break;
  }
  return true;
}

// --- routing -----------------------------------------------------------------------

bool ScriptReader::in_function() const { return !scopes_.empty() && scopes_.back().kind == Scope::Function; }

int ScriptReader::class_depth() const {
  int n = 0;
  for (const OpenScope& s : scopes_) n += s.kind == Scope::Class;
  return n;
}

void ScriptReader::close_finished_functions() {
  while (in_function() && program_.block_depth < scopes_.back().body_depth) {
    scopes_.pop_back();
    program_.current_func = nullptr;
  }
}

Result ScriptReader::load(TextSource& source) {
  source_ = &source;
  String line;
  uint32_t number;
  Result error;
  while (read_logical_line(line, number, error)) {
    if (!error) return ResultFailed;
    program_.current_line_number = number;
    if (!route(line)) return ResultFailed;
  }
  if (!error) return ResultFailed;
  return finish();
}

Result ScriptReader::open_definition(Held kind, StringView text) {
  DefinitionKind def = kind == Held::Class ? DefinitionKind::Class
                       : kind == Held::Property ? DefinitionKind::Property
                       : kind == Held::Accessor ? (starts_with_ignore_case(text, u"Get") ? DefinitionKind::Getter : DefinitionKind::Setter)
                                                : DefinitionKind::Function;
  program_.definitions.push_back({def, program_.pool.copy(text), held_number_, class_depth()});
  if (kind == Held::Class) {
    scopes_.push_back({Scope::Class, 0, program_.definitions.size() - 1});
    return ResultDone;
  }
  if (kind == Held::Property) {
    scopes_.push_back({Scope::Property, 0, program_.definitions.size() - 1});
    return ResultDone;
  }
  // Methods and accessors are named after the classes (and property) they
  // are defined in.
  String owner;
  for (const OpenScope& scope : scopes_) {
    StringView def = program_.definitions[scope.definition].text;
    if (scope.kind == Scope::Class) def = trim_left(def.substr(5));  // after "Class"
    size_t n = 0;
    while (n < def.size() && !is_blank(def[n]) && def[n] != u'[') ++n;
    if (!owner.empty()) owner += u".";
    owner += def.substr(0, n);
  }
  Func* f = nullptr;
  // An accessor takes the property's bracketed parameters; a setter takes
  // the value being assigned before them.
  String signature(text);
  if (kind == Held::Accessor) {
    StringView prop = program_.definitions[scopes_.back().definition].text;
    size_t open = prop.find(u'['), close = prop.rfind(u']');
    StringView bracketed = open != StringView::npos && close != StringView::npos && close > open
                               ? trim(prop.substr(open + 1, close - open - 1))
                               : StringView();
    bool setter = equals_ignore_case(text, u"Set");
    signature += u"(";
    if (setter) signature += u"value";
    if (setter && !bracketed.empty()) signature += u", ";
    signature += bracketed;
    signature += u")";
  }
  if (!define_function(program_, signature, owner, f)) return ResultFailed;
  if (!owner.empty()) f->owner = program_.pool.copy(owner);
  else if (!program_.labels_awaiting_line.empty() && !attach_hotkey_function(*f, text)) return ResultFailed;
  // A function body is an ordinary block marked as a body, so that the
  // executor passes over it.
  if (!parser_.add_block_begin(LineParser::Block::FunctionBody)) return ResultFailed;
  f->body = program_.last_line;
  program_.current_func = f;
  scopes_.push_back({Scope::Function, program_.block_depth, program_.definitions.size() - 1});
  return ResultDone;
}

// Hotkeys written without a body directly above a function definition call
// that function; any other label there would point into nothing runnable.
Result ScriptReader::attach_hotkey_function(Func& f, StringView text) {
  std::vector<HotkeyDefinition*> hotkeys;
  std::vector<HotstringDefinition*> hotstrings;
  for (Label* label : program_.labels_awaiting_line) {
    HotkeyDefinition* found = nullptr;
    HotstringDefinition* found_hotstring = nullptr;
    for (HotkeyDefinition& h : program_.hotkeys)
      if (h.label == label && h.action.empty()) found = &h;
    for (HotstringDefinition& h : program_.hotstrings)
      if (h.label == label) found_hotstring = &h;
    if (found) hotkeys.push_back(found);
    else if (found_hotstring) hotstrings.push_back(found_hotstring);
    else return load_error(program_, message(Msg::LabelBeforeFunction), text);
  }
  if (f.min_params > 0) return load_error(program_, message(Msg::HotkeyFunctionParamsOptional), text);
  for (HotkeyDefinition* h : hotkeys) {
    std::erase(program_.labels, h->label);
    h->label = nullptr;
    h->func = &f;
  }
  for (HotstringDefinition* h : hotstrings) {
    std::erase(program_.labels, h->label);
    h->label = nullptr;
    h->func = &f;
  }
  program_.labels_awaiting_line.clear();
  return ResultDone;
}

Result ScriptReader::confirm_held(bool confirmed) {
  Held kind = held_;
  held_ = Held::None;
  String text = std::move(held_text_);
  uint32_t saved = program_.current_line_number;
  program_.current_line_number = held_number_;
  Result r;
  if (confirmed) {
    if (kind == Held::Function && in_function())
      r = load_error(program_, message(Msg::FunctionsInFunction), text);
    else
      r = open_definition(kind, text);
  } else if (kind == Held::Function && !scopes_.empty() && scopes_.back().kind == Scope::Class) {
    // A class body holds no code: without a body the line is no method.
    r = load_error(program_, message(Msg::InvalidMemberDefinition), text);
  } else if (kind == Held::Function) {
    r = parse_ordinary(text);
  } else {
    r = load_error(program_, message(Msg::MissingOpenBrace), text);
  }
  program_.current_line_number = saved;
  return r;
}

// A line may hold several braces and statements ("} else {", "{{}}x"): each
// piece is routed in turn, in a loop, so a line of many braces nests nothing.
Result ScriptReader::route(StringView line) {
  for (;;) {
    StringView rest;
    if (!route_piece(line, rest)) return ResultFailed;
    if (rest.empty()) return ResultDone;
    line = rest;
  }
}

// Routes the first piece of `line`; `rest` receives what follows a brace
// that ends the piece.
Result ScriptReader::route_piece(StringView line, StringView& rest) {
  // 1. A held definition waits for its "{".
  if (held_ != Held::None) {
    bool brace = !line.empty() && line[0] == u'{';
    if (!confirm_held(brace)) return ResultFailed;
    if (brace) {
      line = trim_left(line.substr(1));
      if (line.empty()) return ResultDone;
    }
  }
  close_finished_functions();

  // 2. "}" closes the innermost class or property body.
  if (!line.empty() && line[0] == u'}' && !scopes_.empty() && scopes_.back().kind != Scope::Function) {
    if (scopes_.back().kind == Scope::Class && !close_class()) return ResultFailed;
    scopes_.pop_back();
    rest = trim_left(line.substr(1));
    return ResultDone;
  }

  if (!scopes_.empty() && scopes_.back().kind == Scope::Property) return route_in_property(line);

  // 3. and 4. Lines that may begin a definition are held back.
  {
    StringView l = line;
    bool brace = strip_open_brace(l);
    if (!l.empty() && looks_like_function_definition(l)) {
      held_ = Held::Function;
      held_brace_ = brace;
      held_text_ = String(l);
      held_number_ = program_.current_line_number;
      return brace ? confirm_held(true) : ResultDone;
    }
  }
  if (!in_function() && looks_like_class_definition(line)) {
    StringView l = line;
    held_brace_ = strip_open_brace(l);
    held_ = Held::Class;
    held_text_ = String(l);
    held_number_ = program_.current_line_number;
    return held_brace_ ? confirm_held(true) : ResultDone;
  }
  if (!scopes_.empty() && scopes_.back().kind == Scope::Class) return route_in_class(line);

  // 6. and 7. Hotkeys, hotstrings and remappings.
  bool handled = false;
  if (!route_hotkey_or_hotstring(line, handled)) return ResultFailed;
  if (handled) return ResultDone;

  // 8. Labels.
  if (!route_label(line, handled)) return ResultFailed;
  if (handled) return ResultDone;

  // 9. Directives.
  if (line[0] == u'#') {
    DirectiveOutcome d = apply_directive(line);
    if (d == DirectiveOutcome::Failed) return ResultFailed;
    if (d == DirectiveOutcome::Handled) return ResultDone;
  }

  // 10. Braces are lines of their own.
  if (line[0] == u'{' || line[0] == u'}') {
    if (!(line[0] == u'{' ? parser_.add_block_begin() : parser_.add_block_end())) return ResultFailed;
    close_finished_functions();
    rest = trim_left(line.substr(1));
    return ResultDone;
  }

  return parse_ordinary(line);
}

Result ScriptReader::parse_ordinary(StringView line) {
  program_.in_function = in_function();
  Result r = parser_.parse_line(line);
  close_finished_functions();
  return r;
}

Result ScriptReader::route_in_class(StringView line) {
  // Before declarations: "#" is a name character, so "#NoEnv" would
  // otherwise read as a variable.
  if (line[0] == u'#') {
    DirectiveOutcome d = apply_directive(line);
    if (d == DirectiveOutcome::Failed) return ResultFailed;
    if (d == DirectiveOutcome::Handled) return ResultDone;
  }
  if (looks_like_property_definition(line)) {
    StringView l = line;
    held_brace_ = strip_open_brace(l);
    held_ = Held::Property;
    held_text_ = String(l);
    held_number_ = program_.current_line_number;
    return held_brace_ ? confirm_held(true) : ResultDone;
  }
  if (begins_with_word(line, u"Static") && looks_like_declaration(trim_left(line.substr(6)))) {
    program_.definitions.push_back({DefinitionKind::StaticClassVariables, program_.pool.copy(line),
                                    program_.current_line_number, class_depth()});
    return declare_class_variables(trim_left(line.substr(6)), true);
  }
  if (looks_like_declaration(line)) {
    program_.definitions.push_back({DefinitionKind::ClassVariables, program_.pool.copy(line),
                                    program_.current_line_number, class_depth()});
    return declare_class_variables(line, false);
  }
  return load_error(program_, message(Msg::InvalidMemberDefinition), line);
}

// The full dotted name of the innermost open class.
String ScriptReader::class_name() const {
  String name;
  for (const OpenScope& scope : scopes_) {
    if (scope.kind != Scope::Class) continue;
    StringView def = trim_left(program_.definitions[scope.definition].text.substr(5));
    size_t n = 0;
    while (n < def.size() && !is_blank(def[n])) ++n;
    if (!name.empty()) name += u".";
    name += def.substr(0, n);
  }
  return name;
}

// Class variables: static ones become initialisers run before the
// auto-execute section; instance ones are collected for the class's __Init.
Result ScriptReader::declare_class_variables(StringView list, bool is_static) {
  String owner = class_name();
  size_t i = 0;
  while (i < list.size()) {
    size_t end = find_expression_end(list, u',', i, nullptr);
    StringView item = trim(list.substr(i, end - i));
    i = end + 1;
    size_t n = 0;
    while (n < item.size() && is_name_char(item[n])) ++n;
    StringView name = item.substr(0, n);
    StringView rest = trim_left(item.substr(n));
    if (name.empty()) return load_error(program_, message(Msg::InvalidClassVarDeclaration), list);
    StringView value;
    if (begins_with(rest, u":=")) value = trim_left(rest.substr(2));
    else if (!rest.empty() && rest[0] == u'=') value = trim_left(rest.substr(1));
    else if (!rest.empty()) return load_error(program_, message(Msg::InvalidClassVarDeclaration), list);
    String target = (is_static ? owner : String(u"this")) + u"." + String(name) + u" := " +
                    (value.empty() ? String(u"\"\"") : String(value));
    if (is_static) {
      if (!parser_.parse_line(target, CmdStatic)) return ResultFailed;
    } else {
      OpenScope& scope = scopes_.back();
      if (!scope.instance_inits.empty()) scope.instance_inits += u", ";
      scope.instance_inits += target;
      if (scope.instance_inits.size() > kMaxLogicalLine)
        return load_error(program_, message(Msg::DeclarationTooLong), list);
    }
  }
  return ResultDone;
}

// At the end of a class body with instance variables, the class gets an
// __Init method that sets them (after its base class's __Init).
Result ScriptReader::close_class() {
  String inits = std::move(scopes_.back().instance_inits);
  if (inits.empty()) return ResultDone;
  StringView def = program_.definitions[scopes_.back().definition].text;
  bool has_base = find_ignore_case(def, u" extends ") != StringView::npos;
  if (!route(u"__Init() {")) return ResultFailed;
  if (program_.current_func) program_.current_func->scope_mode = ScopeMode::AssumeGlobal;
  if (has_base && !route(u"base.__Init()")) return ResultFailed;
  if (!route(inits)) return ResultFailed;
  return route(u"}");
}

Result ScriptReader::route_in_property(StringView line) {
  StringView l = line;
  bool brace = strip_open_brace(l);
  if (equals_ignore_case(l, u"Get") || equals_ignore_case(l, u"Set")) {
    held_ = Held::Accessor;
    held_text_ = String(l);
    held_number_ = program_.current_line_number;
    held_brace_ = brace;
    return brace ? confirm_held(true) : ResultDone;
  }
  return load_error(program_, message(Msg::InvalidPropertyAccessor), line);
}

Result ScriptReader::route_label(StringView line, bool& handled) {
  handled = false;
  if (line.back() != u':' || (line.size() >= 2 && line[line.size() - 2] == u':')) return ResultDone;
  StringView name = line.substr(0, line.size() - 1);
  for (char16_t c : name)
    if (is_blank(c) || c == program_.syntax.delimiter || c == program_.syntax.escape) return ResultDone;
  handled = true;
  if (name.empty()) return load_error(program_, message(Msg::NoRecognizedAction), line);
  return parser_.add_label(name, LineParser::LabelNames::Unique, line);
}

bool ScriptReader::is_defined_hotkey(StringView hotkey) const {
  for (const HotkeyDefinition& h : program_.hotkeys)
    if (equals_ignore_case(h.hotkey, hotkey) && h.criterion == criterion_) return true;
  return false;
}

Result ScriptReader::route_hotkey_or_hotstring(StringView line, bool& handled) {
  handled = false;
  size_t dc = line.find(u"::");
  if (dc == StringView::npos) return ResultDone;
  const char16_t esc = program_.syntax.escape;

  if (line[0] == u':') {
    // :options:abbreviation::replacement
    size_t second = line[1] == u':' ? 1 : line.find(u':', 1);
    if (second != StringView::npos) {
      size_t from = second + 1, end = StringView::npos;
      for (size_t i = from; i + 1 < line.size(); ++i) {
        if (line[i] == u':' && line[i + 1] == u':' && (i == from || line[i - 1] != esc)) {
          end = i;
          break;
        }
      }
      if (end != StringView::npos) {
        handled = true;
        if (in_function()) return load_error(program_, message(Msg::HotkeyInFunction), line);
        StringView options = second == 1 ? StringView() : line.substr(1, second - 1);
        String abbreviation = translate_escapes(line.substr(from, end - from), esc);
        if (abbreviation.empty()) return load_error(program_, message(Msg::HotstringWithoutAbbreviation), line);
        HotstringDefinition h;
        h.options = program_.pool.copy(options);
        h.abbreviation = program_.pool.copy(abbreviation);
        // Escapes in the replacement are the writer's ("`n" for a new line).
        h.replacement = program_.pool.copy(translate_escapes(trim_left(line.substr(end + 2)), esc));
        h.criterion = program_.pool.copy(criterion_);
        const DirectiveSettings& d = program_.directives;
        h.default_options = program_.pool.copy(d.hotstring_default_options);
        h.max_threads = uint8_t(d.max_threads_per_hotkey);
        h.input_level = uint8_t(d.input_level);
        h.line_number = program_.current_line_number;
        program_.hotstrings.push_back(h);
        // A hotstring with no replacement text runs the lines that follow it.
        if (h.replacement.empty()) {
          Label* label = nullptr;
          if (!parser_.add_label(line.substr(0, end + 2), LineParser::LabelNames::MayRepeat, line, &label))
            return ResultFailed;
          program_.hotstrings.back().label = label;
        }
        return ResultDone;
      }
    }
  }

  // Hotkey: the text before the first "::" (":::" names the colon key).
  size_t split = begins_with(line, u":::") ? 1 : dc;
  StringView hotkey = trim_right(line.substr(0, split));
  if (!is_valid_hotkey(hotkey)) return ResultDone;
  handled = true;
  if (in_function()) return load_error(program_, message(Msg::HotkeyInFunction), line);
  // Right after an IfWin command line, the hotkey was surely meant to
  // depend on the window the way #IfWin makes it.
  const ScriptLine* last = program_.last_line;
  if (last && last->action >= CmdIfWinExist && last->action <= CmdIfWinNotActive)
    return load_error(program_, message(Msg::IfWinIsDirective), line);
  if (is_defined_hotkey(hotkey)) return load_error(program_, message(Msg::DuplicateHotkey), line);
  StringView action = trim_left(line.substr(split + 2));

  // A remapping: the action is a single key (not a command of the same name).
  {
    size_t m = 0;
    while (m + 1 < action.size() && StringView(u"#!^+<>*~$").find(action[m]) != StringView::npos) ++m;
    StringView dest = action.substr(m);
    uint16_t dest_vk = 0, src_vk = 0;
    bool plain = m == 0;
    bool is_command = plain && (equals_ignore_case(dest, u"Return") || equals_ignore_case(dest, u"Pause"));
    if (!action.empty() && !is_command && dest.find(u' ') == StringView::npos && lookup_key_name(dest, dest_vk)) {
      StringView src = hotkey;
      size_t sm = 0;
      while (sm + 1 < src.size() && StringView(u"#!^+<>*~$").find(src[sm]) != StringView::npos) ++sm;
      lookup_key_name(src.substr(sm), src_vk);
      String source(src);
      if (src.size() == 1 && src[0] >= u'A' && src[0] <= u'Z') source = u"+" + source;
      String delay = is_mouse_key(dest_vk) ? u"SetMouseDelay, -1" : u"SetKeyDelay, -1";
      String ctrl_up;
      bool src_ctrl = src_vk == 0x11 || src_vk == 0xA2 || src_vk == 0xA3;
      bool dest_alt = dest_vk == 0x12 || dest_vk == 0xA4 || dest_vk == 0xA5;
      if (src_ctrl && dest_alt) ctrl_up = src_vk == 0xA3 ? u"{RCtrl up}" : u"{LCtrl up}";
      String mods(action.substr(0, m < 7 ? m : 7));
      String key(dest.substr(0, 31));
      String down_hotkey = u"*" + source + u"::";
      String up_hotkey = u"*" + source + u" up::";
      // Checked here so that the error shows the line as written, not the
      // generated hotkey lines.
      if (is_defined_hotkey(u"*" + source) || is_defined_hotkey(u"*" + source + u" up"))
        return load_error(program_, message(Msg::DuplicateHotkey), line);
      if (!route(down_hotkey)) return ResultFailed;
      if (!parser_.parse_line(delay)) return ResultFailed;
      if (is_mouse_key(dest_vk) && !is_mouse_key(src_vk) &&
          !parser_.parse_line(u"if not GetKeyState(\"" + key + u"\")"))
        return ResultFailed;
      if (!parser_.parse_line(u"Send, {Blind}" + ctrl_up + mods + u"{" + key + u" DownTemp}")) return ResultFailed;
      if (!parser_.parse_line(u"Return")) return ResultFailed;
      if (!route(up_hotkey)) return ResultFailed;
      if (!parser_.parse_line(delay)) return ResultFailed;
      if (!parser_.parse_line(u"Send, {Blind}{" + key + u" Up}")) return ResultFailed;
      return parser_.parse_line(u"Return");
    }
  }

  HotkeyDefinition h;
  h.hotkey = program_.pool.copy(hotkey);
  h.action = program_.pool.copy(action);
  h.criterion = program_.pool.copy(criterion_);
  h.line_number = program_.current_line_number;
  const DirectiveSettings& d = program_.directives;
  h.use_hook = d.use_hook;
  h.max_threads_buffer = d.max_threads_buffer;
  h.max_threads = uint8_t(d.max_threads_per_hotkey);
  h.input_level = uint8_t(d.input_level);
  // "AltTab" and its kin in place of a label: the hook performs them, no
  // lines run.
  if ((h.alt_tab = alt_tab_action(action)) != 0) {
    program_.hotkeys.push_back(h);
    return ResultDone;
  }
  Label* label = nullptr;
  if (!parser_.add_label(h.hotkey, LineParser::LabelNames::MayRepeat, line, &label)) return ResultFailed;
  h.label = label;
  program_.hotkeys.push_back(h);
  if (action.empty()) return ResultDone;
  if (action[0] == u'#') {
    DirectiveOutcome d = apply_directive(action);
    if (d == DirectiveOutcome::Failed) return ResultFailed;
    if (d == DirectiveOutcome::Handled) return ResultDone;
  }
  // A one-line hotkey: its action, then an implicit Return.
  if (!parser_.parse_line(action)) return ResultFailed;
  return parser_.parse_line(u"Return");
}

Result ScriptReader::finish() {
  if (held_ != Held::None) {
    if (held_ == Held::Function) {
      if (!confirm_held(false)) return ResultFailed;
    } else {
      program_.current_line_number = held_number_;
      return load_error(program_, message(held_brace_ ? Msg::MissingCloseBrace : Msg::MissingOpenBrace), held_text_);
    }
  }
  close_finished_functions();
  // An unclosed class is reported at its definition, the line at fault.
  for (const OpenScope& s : scopes_) {
    if (s.kind == Scope::Function) continue;
    const DefinitionRecord& d = program_.definitions[s.definition];
    program_.current_line_number = d.line_number;
    return load_error(program_, message(Msg::MissingCloseBrace), d.text);
  }
  if (!bind_calls(program_)) return ResultFailed;
  resolve_literal_dll_targets(program_);
  if (!build_classes(program_)) return ResultFailed;
  link_locals_to_globals(program_);
  return parser_.add_closing_lines();
}

}  // namespace orv
