// A function declared by #DllImport: a call into native code with its
// argument types and defaults fixed when the script is read.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/text.h"
#include "objects/dll_types.h"

namespace orv {

struct DllImportParam {
  DllType type;
  StringView text;  // the default of a text type
  int64_t integer = 0;
  double number = 0;  // the default of Float and Double
};

// Lives in the program's pool, which runs no destructors: plain data only.
struct DllImportDef {
  void* address = nullptr;
  const DllImportParam* params = nullptr;
  int param_count = 0;
  DllType return_type{DllTypeCode::Int, false, false};
  // The library the address lies in, held so that it stays loaded.
  void* library = nullptr;
};

struct Func;
struct ExprToken;
// The routine of every #DllImport function: the call with the script's
// arguments, each missing one taking its declared default.
Result builtin_dll_import_call(Func& func, ExprToken& result, ExprToken* args, int argc);

}  // namespace orv
