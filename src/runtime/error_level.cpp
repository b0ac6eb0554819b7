#include "runtime/error_level.h"

#include "platform/files.h"
#include "runtime/executor.h"
#include "runtime/scope.h"
#include "runtime/thread_settings.h"
#include "runtime/variable.h"

namespace orv {

Result set_error_level(int64_t value) {
  Variable* v = find_or_add_variable(*g_script, u"ErrorLevel");
  return v ? v->assign_int(value) : ResultFailed;
}

Result set_error_level_text(StringView value) {
  Variable* v = find_or_add_variable(*g_script, u"ErrorLevel");
  return v ? v->assign(value) : ResultFailed;
}

Result report_with_system_error(bool ok) {
  g_thread->last_error = platform::last_error();
  return set_error_level(ok ? 0 : 1);
}

Result fail_with_last_error(uint32_t error) {
  g_thread->last_error = error;
  return set_error_level(1);
}

}  // namespace orv
