// SetWorkingDir, DirName: the folder relative paths start from, which
// A_WorkingDir reports; ErrorLevel 1 when there is no such folder.
#include "library/file_patterns.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "runtime/executor.h"

namespace orv {

Result cmd_set_working_dir(const ScriptLine&, ExpandedArgs& args) {
  StringView folder = arg_text(args, 0);
  if (folder.empty()) {
    platform::set_last_error(platform::ErrorPathNotFound);
    return report_outcome(false);
  }
  return report_outcome(platform::set_current_directory(folder));
}

}  // namespace orv
