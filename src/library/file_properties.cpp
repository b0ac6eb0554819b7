// FileGetSize, OutputVar [, Filename, Units]: a file's size in bytes, or
// whole kilobytes (K) or megabytes (M); a folder has no size to give.
// FileGetVersion, OutputVar [, Filename]: the version its version resource
// states.
#include "library/file_patterns.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "runtime/executor.h"
#include "runtime/file_lookup.h"
#include "runtime/variable.h"

namespace orv {

Result cmd_file_get_size(const ScriptLine&, ExpandedArgs& args) {
  platform::DirEntry e;
  Result r;
  if (!find_queried_file(args, e, r)) return r;
  Variable* out = args.vars[0];
  if (e.is_directory) {
    platform::set_last_error(platform::ErrorAccessDenied);
    return report_outcome(false);
  }
  StringView units = trim(arg_text(args, 2));
  uint64_t size = e.size;
  if (!units.empty() && upper_case(units[0]) == u'K') size /= 1024;
  else if (!units.empty() && upper_case(units[0]) == u'M') size /= 1024 * 1024;
  if (out && !out->assign_int(int64_t(size))) return ResultFailed;
  return report_outcome(true);
}

Result cmd_file_get_version(const ScriptLine&, ExpandedArgs& args) {
  Variable* out = args.vars[0];
  if (out && !out->assign_empty()) return ResultFailed;
  String buf, version;
  if (!platform::file_version(file_or_loop_file(arg_text(args, 1), buf), version)) return report_outcome(false);
  if (out && !out->assign(version)) return ResultFailed;
  return report_outcome(true);
}

}  // namespace orv
