#include "runtime/error_level.h"

#include "runtime/executor.h"
#include "runtime/scope.h"
#include "runtime/variable.h"

namespace orv {

Result set_error_level(int64_t value) {
  Variable* v = find_or_add_variable(*g_script, u"ErrorLevel");
  return v ? v->assign_int(value) : ResultFailed;
}

}  // namespace orv
