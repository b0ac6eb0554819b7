#include "runtime/scope.h"

#include "parser/script_program.h"
#include "runtime/errors.h"
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

bool is_builtin_variable_name(StringView name) {
  if (name.size() > 2 && (name[0] == u'A' || name[0] == u'a') && name[1] == u'_') return true;
  return equals_ignore_case(name, u"Clipboard") || equals_ignore_case(name, u"ClipboardAll");
}

Variable* find_variable(ScriptProgram& program, StringView name) {
  if (name.size() > kMaxNameLength) return nullptr;
  return program.globals.find(name);
}

Variable* find_or_add_variable(ScriptProgram& program, StringView name) {
  size_t at = 0;
  bool lazy = false;
  if (name.size() > kMaxNameLength) {
    (void)report_runtime_error(u"Variable name too long.", name);
    return nullptr;
  }
  if (Variable* v = program.globals.find(name, &at, &lazy)) return v;
  if (!is_valid_var_name(name)) {
    String msg = u"The following variable name contains an illegal character:\n\"" + String(name.substr(0, 300)) + u"\"";
    (void)report_runtime_error(msg);
    return nullptr;
  }
  Variable* v = program.pool.make<Variable>();
  v->name = program.pool.copy(name).data();
  v->scope = ScopeGlobal;
  if (!program.globals.insert(v, at, lazy)) {
    (void)report_runtime_error(u"Out of memory.");
    return nullptr;
  }
  return v;
}

}  // namespace orv
