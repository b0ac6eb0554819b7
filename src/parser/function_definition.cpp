#include "parser/function_definition.h"

#include "base/messages.h"
#include "parser/escapes.h"
#include "runtime/errors.h"
#include "runtime/func.h"
#include "runtime/function_table.h"
#include "runtime/scope.h"
#include "runtime/script_program.h"
#include "runtime/variable.h"
#include "runtime/variable_list.h"
#include "runtime/warnings.h"

namespace orv {

namespace {

constexpr int kMaxParams = 254;

bool parse_default(ScriptProgram& program, StringView text, FuncParam& p) {
  if (text.size() >= 2 && text.front() == u'"' && text.back() == u'"') {
    String value;
    StringView inner = text.substr(1, text.size() - 2);
    for (size_t i = 0; i < inner.size(); ++i) {
      if (inner[i] == u'"') {
        if (i + 1 < inner.size() && inner[i + 1] == u'"') ++i;
        else return false;  // a lone quote inside: not one string
      }
      value.push_back(inner[i]);
    }
    p.default_kind = DefaultKind::Text;
    p.default_text = program.pool.copy(translate_escapes(value, program.syntax.escape));
    return true;
  }
  if (equals_ignore_case(text, u"true") || equals_ignore_case(text, u"false") || equals_ignore_case(text, u"null")) {
    p.default_kind = DefaultKind::Integer;
    p.default_int = equals_ignore_case(text, u"true") ? 1 : 0;
    return true;
  }
  switch (numeric_type_of(text)) {
    case NumType::Integer:
      p.default_kind = DefaultKind::Integer;
      p.default_int = text_to_int(text);
      return true;
    case NumType::Float:
      p.default_kind = DefaultKind::Float;
      p.default_float = text_to_double(text);
      return true;
    default:
      return false;
  }
}

Variable* add_param_variable(ScriptProgram& program, Func& f, StringView name) {
  size_t at = 0;
  bool lazy = false;
  if (f.locals.find(name, &at, &lazy)) return nullptr;
  Variable* v = permanent_pool().make<Variable>();
  v->name = permanent_pool().copy(name).data();
  v->scope = ScopeLocal | ScopeParam;
  if (!f.locals.insert(v, at, lazy)) return nullptr;
  return v;
}

}  // namespace

Result define_function(ScriptProgram& program, StringView line, StringView class_name, Func*& out) {
  size_t open = line.find(u'(');
  StringView short_name = line.substr(0, open);
  String name = class_name.empty() ? String(short_name) : String(class_name) + u"." + String(short_name);
  if (name.size() > kMaxNameLength + (class_name.empty() ? 0 : 1))
    return load_error(program, message(Msg::FuncNameTooLong), line);
  if (!is_valid_var_name(short_name))
    return load_error(program, illegal_name_message(NameKind::Function, short_name), line);
  size_t at = 0;
  Func* f = find_defined_function(program, name, &at);
  if (f && f->dll_import && class_name.empty()) {
    // A script definition replaces a #DllImport declaration of the name.
    f->kind = FuncKind::Script;
    f->routine = nullptr;
    f->dll_import = nullptr;
  } else if (f) {
    return load_error(program, message(class_name.empty() ? Msg::DuplicateFunction : Msg::DuplicateDeclaration), line);
  } else {
    f = add_script_function(program, name, at);
  }

  // Methods take the object as a hidden first parameter; a property's setter
  // also takes the value being assigned.
  std::vector<StringView> implicit;
  if (!class_name.empty()) implicit.push_back(u"this");

  for (StringView p : implicit) {
    FuncParam param;
    param.var = add_param_variable(program, *f, p);
    f->params.push_back(param);
  }
  // The list ends at the first ")" outside a quoted default; whatever
  // follows it is no part of a definition.
  bool seen_default = false;
  StringView rest = trim_left(line.substr(open + 1));
  if (!rest.empty() && rest[0] == u')') rest = rest.substr(1);
  else for (;;) {
    FuncParam param;
    StringView item = rest;
    if (starts_with_ignore_case(item, u"ByRef") && item.size() > 5 && is_blank(item[5])) {
      param.by_ref = true;
      item = trim_left(item.substr(5));
    }
    size_t n = 0;
    while (n < item.size() && is_var_name_char(item[n])) ++n;
    StringView pname = item.substr(0, n);
    if (pname.empty()) return load_error(program, message(Msg::BlankParam), line);
    if (f->params.size() >= size_t(kMaxParams)) return load_error(program, message(Msg::TooManyParamsDeclared), line);
    if (is_builtin_variable_name(pname) || equals_ignore_case(pname, u"ErrorLevel"))
      return load_error(program, message(Msg::IllegalParamName), line);
    param.var = add_param_variable(program, *f, pname);
    if (!param.var) return load_error(program, message(Msg::DuplicateParam), line);
    item = trim_left(item.substr(n));
    if (!item.empty() && item[0] == u'*') {
      // Only the last parameter may collect the rest.
      item = trim_left(item.substr(1));
      if (item.empty() || item[0] != u')') return load_error(program, message(Msg::MissingCloseParen), line);
      f->variadic = true;
    } else if (!item.empty() && (item[0] == u':' || item[0] == u'=')) {
      size_t skip = 1;
      if (item[0] == u':') {
        if (item.size() < 2 || item[1] != u'=') return load_error(program, message(Msg::ExpectedAssign), line);
        skip = 2;
      }
      item = trim_left(item.substr(skip));
      // The default ends at the next comma or ")" outside quotes.
      size_t end = 0;
      bool quoted = false;
      while (end < item.size() && (quoted || (item[end] != u',' && item[end] != u')'))) {
        if (item[end] == u'"') quoted = !quoted;
        ++end;
      }
      if (quoted) return load_error(program, message(Msg::MissingCloseQuote), line);
      if (!parse_default(program, trim(item.substr(0, end)), param))
        return load_error(program, message(Msg::UnsupportedParamDefault), line);
      seen_default = true;
      item = item.substr(end);
    } else if (seen_default) {
      return load_error(program, message(Msg::ParamDefaultRequired), line);
    }
    f->params.push_back(param);
    item = trim_left(item);
    if (item.empty()) return load_error(program, message(Msg::MissingCloseParen), line);
    if (item[0] == u')') {
      rest = item.substr(1);
      break;
    }
    if (item[0] != u',') return load_error(program, message(Msg::MissingComma), line);
    rest = trim_left(item.substr(1));
  }
  if (!trim(rest).empty()) return load_error(program, message(Msg::InvalidFunctionDeclaration), line);
  int required = 0;
  for (const FuncParam& p : f->params)
    if (p.default_kind == DefaultKind::None) ++required;
  f->max_params = int(f->params.size()) - (f->variadic ? 1 : 0);
  f->min_params = required - (f->variadic ? 1 : 0);
  out = f;
  return ResultDone;
}

}  // namespace orv

namespace orv {

void link_locals_to_globals(ScriptProgram& program) {
  for (Func* f : program.functions) {
    if (f->kind != FuncKind::Script) continue;
    std::vector<Variable*> to_alias;
    f->locals.for_each([&](Variable* v) {
      if (v->scope & (ScopeDeclared | ScopeParam)) return;
      Variable* g = program.globals.find(v->name_view());
      if (!g) return;
      if (g->scope & ScopeSuperGlobal) to_alias.push_back(v);
      else warn_local_same_as_global(v->name_view(), f->name, f->body);
    });
    // A super-global declared anywhere in the script wins over an
    // undeclared local of the same name, even one met earlier.
    for (Variable* v : to_alias) {
      Variable* g = program.globals.find(v->name_view());
      f->locals.remove(v);
      v->type = VarType::Alias;
      v->alias_target = g;
    }
  }
}

Result bind_calls(ScriptProgram& program) {
  // An error names the call's line; the lines added after this (the closing
  // Exit lines) must still take the position where reading ended.
  uint32_t line_number = program.current_line_number;
  uint16_t file_index = program.current_file_index;
  for (const PendingCall& p : program.pending_calls) {
    CallRecord* c = p.call;
    StringView name(c->position, c->name_length);
    program.current_line_number = p.line_number;
    program.current_file_index = p.file_index;
    Func* f = find_function(program, name);
    if (!f) return load_error(program, message(Msg::CallToMissingFunction), name);
    c->func = f;
    int count = c->param_count;
    if (c->first_omitted && c->first_omitted <= f->min_params)
      return load_error(program, message(Msg::BlankParam), p.expression);
    if (count > f->max_params && !f->variadic)
      return load_error(program, message(Msg::TooManyParamsPassed), p.expression);
    if (count < f->min_params && c->kind != CallVariadic)
      return load_error(program, message(Msg::TooFewParamsPassed), p.expression);
  }
  program.pending_calls.clear();
  program.current_line_number = line_number;
  program.current_file_index = file_index;
  return ResultDone;
}

}  // namespace orv
