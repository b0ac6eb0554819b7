// Calling a function declared by #DllImport.
#include <vector>

#include "objects/dll_call.h"
#include "objects/dll_import.h"
#include "runtime/builtin_functions.h"
#include "runtime/func.h"

namespace orv {

Result builtin_dll_import_call(Func& func, ExprToken& result, ExprToken* args, int argc) {
  const DllImportDef& def = *func.dll_import;
  std::vector<DllType> types(size_t(def.param_count) + 1);
  std::vector<ExprToken> values(size_t(def.param_count) + 1);
  for (int i = 0; i < def.param_count; ++i) {
    const DllImportParam& p = def.params[i];
    types[i] = p.type;
    if (arg_given(args, argc, i)) values[i] = args[i];
    else if (p.type.is_text()) values[i] = text_token(p.text);
    else if (p.type.is_float()) values[i] = double_token(p.number);
    else values[i] = int_token(p.integer);
  }
  return make_dll_call(DllCaller::DllCall, def.address, types.data(), values.data(), def.param_count, def.return_type,
                       result);
}

}  // namespace orv
