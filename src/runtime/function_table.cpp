#include "runtime/function_table.h"

#include "runtime/builtin_functions.h"
#include "runtime/script_program.h"

namespace orv {

Func* find_defined_function(const ScriptProgram& program, StringView name, size_t* insert_at) {
  const std::vector<Func*>& list = program.functions;
  size_t lo = 0, hi = list.size();
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    int c = compare_ignore_case(list[mid]->name, name);
    if (c == 0) return list[mid];
    if (c < 0) lo = mid + 1;
    else hi = mid;
  }
  if (insert_at) *insert_at = lo;
  return nullptr;
}

Func* add_script_function(ScriptProgram& program, StringView name, size_t insert_at) {
  Func* f = program.pool.make<Func>(program.pool.copy(name), FuncKind::Script);
  program.functions.insert(program.functions.begin() + long(insert_at), f);
  return f;
}

Func* find_function(ScriptProgram& program, StringView name) {
  if (name.size() > 253) return nullptr;
  size_t at = 0;
  if (Func* f = find_defined_function(program, name, &at)) return f;
  const BuiltinInfo* info = find_builtin(name);
  if (!info) return nullptr;
  Func* f = program.pool.make<Func>(program.pool.copy(info->name), FuncKind::Builtin);
  f->min_params = info->min_params;
  f->max_params = info->max_params;
  f->variadic = info->max_params >= kUnlimitedParams;
  f->routine = info->routine;
  program.functions.insert(program.functions.begin() + long(at), f);
  // A script that watches window messages stays resident.
  if (equals_ignore_case(info->name, u"OnMessage")) program.directives.persistent = true;
  return f;
}

}  // namespace orv
