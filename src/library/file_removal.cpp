// FileDelete, FilePattern: files (never folders) go. FileRecycle,
// FilePattern: files and folders go to the recycle bin. FileRecycleEmpty
// [, Drive]: the recycle bin is emptied.
#include "library/file_patterns.h"
#include "platform/file_system.h"
#include "runtime/executor.h"

namespace orv {

Result cmd_file_delete(const ScriptLine&, ExpandedArgs& args) {
  StringView pattern = arg_text(args, 0);
  std::vector<FileMatch> matches = find_matches(pattern, MatchScope{});
  FailureTally tally;
  for (const FileMatch& m : matches) tally.add(platform::delete_file(m.path));
  return report_failures(pattern, matches.size(), tally);
}

Result cmd_file_recycle(const ScriptLine&, ExpandedArgs& args) {
  StringView pattern = arg_text(args, 0);
  std::vector<FileMatch> matches = find_matches(pattern, MatchScope{true, true, false});
  FailureTally tally;
  for (const FileMatch& m : matches) tally.add(platform::recycle(m.path));
  return report_failures(pattern, matches.size(), tally);
}

Result cmd_file_recycle_empty(const ScriptLine&, ExpandedArgs& args) {
  return report_outcome(platform::empty_recycle_bin(arg_text(args, 0)));
}

}  // namespace orv
