#include "runtime/scope.h"

#include "base/messages.h"
#include "runtime/builtin_vars.h"
#include "runtime/errors.h"
#include "runtime/func.h"
#include "runtime/script_program.h"
#include "runtime/thread_settings.h"
#include "runtime/variable.h"
#include "runtime/variable_list.h"

namespace orv {

bool constant_builtin(StringView name, int64_t& value) {
  struct Constant {
    const char16_t* name;
    int64_t value;
  };
  static constexpr Constant kConstants[] = {
      {u"True", 1}, {u"False", 0}, {u"Null", 0}, {u"A_PtrSize", 8},
      {u"A_Is64bitOS", 1}, {u"A_IsCompiled", 1}, {u"A_IsUnicode", 1},
  };
  for (const Constant& c : kConstants) {
    if (equals_ignore_case(name, c.name)) {
      value = c.value;
      return true;
    }
  }
  return false;
}

bool is_builtin_variable_name(StringView name) { return find_builtin_variable(name) != nullptr; }

namespace {

// The function whose names are being resolved: the one being read at load
// time, the running one afterwards.
Func* scope_function(const ScriptProgram& program) {
  if (program.current_func) return program.current_func;
  return g_thread ? g_thread->current_func : nullptr;
}

Variable* add_to(VariableList& list, StringView name, uint8_t scope) {
  size_t at = 0;
  bool lazy = false;
  if (Variable* v = list.find(name, &at, &lazy)) return v;
  if (!check_name(name, NameKind::Variable)) return nullptr;
  Variable* v = permanent_pool().make<Variable>();
  v->name = permanent_pool().copy(name).data();
  v->scope = scope;
  if (!list.insert(v, at, lazy)) return nullptr;
  return v;
}

}  // namespace

Variable* find_global_or_add(ScriptProgram& program, StringView name) {
  if (name.size() > kMaxNameLength) {
    (void)report_runtime_error(message(Msg::VarNameTooLong), name);
    return nullptr;
  }
  Variable* v = add_to(program.globals, name, ScopeGlobal);
  if (v && v->type == VarType::Normal && (v->attributes & AttrUninitialized)) {
    // Built-in variables are read-only and produce their value when read.
    if (const BuiltinVariable* builtin = find_builtin_variable(name)) {
      v->type = builtin->type;
      if (builtin->type == VarType::Builtin) v->producer = builtin->producer;
      v->attributes = 0;
    }
  }
  return v;
}

Variable* find_local_variable(Func& f, StringView name) {
  if (Variable* v = f.locals.find(name)) return v;
  return f.statics.find(name);
}

Variable* find_variable(ScriptProgram& program, StringView name) {
  if (name.size() > kMaxNameLength) return nullptr;
  Func* f = scope_function(program);
  if (f && !is_builtin_variable_name(name)) {
    if (Variable* v = find_local_variable(*f, name)) return v;
    for (Variable* g : f->global_declarations)
      if (equals_ignore_case(g->name_view(), name)) return g;
    Variable* g = program.globals.find(name);
    if (g && (f->scope_mode == ScopeMode::AssumeGlobal || (g->scope & ScopeSuperGlobal))) return g;
    return nullptr;
  }
  if (Variable* v = program.globals.find(name)) return v;
  // A built-in variable always exists: its record is made when first named.
  return is_builtin_variable_name(name) ? find_global_or_add(program, name) : nullptr;
}

Variable* find_or_add_variable(ScriptProgram& program, StringView name) {
  if (name.size() > kMaxNameLength) {
    (void)report_runtime_error(message(Msg::VarNameTooLong), name);
    return nullptr;
  }
  Func* f = scope_function(program);
  // Built-in variables and ErrorLevel are global in every function.
  if (!f || is_builtin_variable_name(name) || equals_ignore_case(name, u"ErrorLevel"))
    return find_global_or_add(program, name);
  if (Variable* v = find_local_variable(*f, name)) return v;
  for (Variable* g : f->global_declarations)
    if (equals_ignore_case(g->name_view(), name)) return g;
  if (f->scope_mode == ScopeMode::AssumeGlobal) return find_global_or_add(program, name);
  if (Variable* g = program.globals.find(name); g && (g->scope & ScopeSuperGlobal)) return g;
  if (f->scope_mode == ScopeMode::AssumeStatic) return add_to(f->statics, name, ScopeLocal | ScopeStatic);
  return add_to(f->locals, name, ScopeLocal);
}

Variable* find_dynamic_to_read(ScriptProgram& program, StringView name) {
  Func* f = scope_function(program);
  if (f && name.size() <= kMaxNameLength && !find_local_variable(*f, name)) {
    bool declared = false;
    for (Variable* g : f->global_declarations) declared = declared || equals_ignore_case(g->name_view(), name);
    if (!declared)
      if (Variable* g = program.globals.find(name)) return g;
  }
  return find_or_add_variable(program, name);
}

}  // namespace orv
