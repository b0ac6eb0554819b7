// A function declared by #DllImport: a call into native code with its
// argument types and defaults fixed when the script is read.
#pragma once

#include <cstdint>
#include <vector>

#include "base/text.h"
#include "library/dll_types.h"

namespace orv {

struct DllImportParam {
  DllType type;
  StringView text;  // the default of a text type
  int64_t integer = 0;
  double number = 0;  // the default of Float and Double
};

struct DllImportDef {
  void* address = nullptr;
  std::vector<DllImportParam> params;
  DllType return_type{DllTypeCode::Int, false, false};
};

}  // namespace orv
