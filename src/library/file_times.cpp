// FileGetTime, OutputVar [, Filename, WhichTime] reads a file's or folder's
// time as local YYYYMMDDHH24MISS; FileSetTime [, YYYYMMDDHH24MISS,
// FilePattern, WhichTime, OperateOnFolders, Recurse] sets it (blank: now).
// WhichTime is M (modified, the default), C (created) or A (accessed).
#include "library/file_patterns.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "runtime/executor.h"
#include "runtime/file_lookup.h"
#include "runtime/variable.h"

namespace orv {

namespace {

enum class WhichTime { Modified, Created, Accessed };

WhichTime which_time(StringView text) {
  text = trim(text);
  char16_t c = text.empty() ? u'M' : upper_case(text[0]);
  return c == u'C' ? WhichTime::Created : c == u'A' ? WhichTime::Accessed : WhichTime::Modified;
}

}  // namespace

Result cmd_file_get_time(const ScriptLine&, ExpandedArgs& args) {
  platform::DirEntry e;
  Result r;
  if (!find_queried_file(args, e, r)) return r;
  Variable* out = args.vars[0];
  WhichTime which = which_time(arg_text(args, 2));
  int64_t time = which == WhichTime::Created ? e.created : which == WhichTime::Accessed ? e.accessed : e.modified;
  if (out && !out->assign(platform::file_time_text(time))) return ResultFailed;
  return report_outcome(true);
}

Result cmd_file_set_time(const ScriptLine&, ExpandedArgs& args) {
  StringView stamp = trim(arg_text(args, 0));
  int64_t time;
  if (stamp.empty()) {
    time = platform::now_file_time();
  } else {
    CalendarTime local;
    if (!parse_timestamp(stamp, local) || !platform::local_time_to_file_time(local, time)) {
      platform::set_last_error(platform::ErrorInvalidParameter);
      return report_outcome(false);
    }
  }
  String buf;
  StringView pattern = file_or_loop_file(arg_text(args, 1), buf);
  WhichTime which = which_time(arg_text(args, 2));
  std::vector<FileMatch> matches = find_matches(pattern, scope_of(arg_text(args, 3), arg_text(args, 4)));
  FailureTally tally;
  for (const FileMatch& m : matches)
    tally.add(platform::set_file_times(m.path, which == WhichTime::Created ? &time : nullptr,
                                       which == WhichTime::Modified ? &time : nullptr,
                                       which == WhichTime::Accessed ? &time : nullptr));
  return report_failures(pattern, matches.size(), tally);
}

}  // namespace orv
