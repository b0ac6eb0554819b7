// What the file commands work on: every file or folder a pattern matches
// (wildcards in its last part), and the file a command that names none
// takes inside a file loop.
#pragma once

#include <cstdint>
#include <vector>

#include "base/result.h"
#include "platform/platform.h"

namespace orv {

struct MatchScope {
  bool files = true;
  bool folders = false;
  // The pattern's name part in every folder below its folder too.
  bool recurse = false;
};

// The OperateOnFolders (0 files only, 1 files and folders, 2 folders only)
// and Recurse parameters of FileSetAttrib and FileSetTime.
MatchScope scope_of(StringView operate_on_folders, StringView recurse);

struct FileMatch {
  String path;  // the pattern's folder part and the name on disk
  platform::DirEntry entry;
};

// Everything the pattern matches now, so that what a command does to one
// match (renaming it, say) cannot bring it back as another. A name without
// wildcards is the one path it names.
std::vector<FileMatch> find_matches(StringView pattern, MatchScope scope);

// The failures of a command over many matches, and the system's reason
// for the last of them.
struct FailureTally {
  int64_t failed = 0;
  uint32_t error = 0;
  void add(bool ok);
};

// ErrorLevel after a command over a pattern: the number of matches it
// failed on, or 1 when a name without wildcards named nothing (a pattern
// that matches nothing has failed on nothing). A_LastError tells why.
Result report_failures(StringView pattern, size_t matched, const FailureTally& tally);

struct ExpandedArgs;

// The start of FileGetAttrib, FileGetSize and FileGetTime: the output
// variable (parameter 1) emptied, then what the file parameter (2) names,
// or the file loop's file. False when there is nothing to tell of, with
// what the command returns in `result`.
bool find_queried_file(ExpandedArgs& args, platform::DirEntry& e, Result& result);

// `given`, or the current file of the innermost file loop when it is empty.
StringView file_or_loop_file(StringView given, String& buf);

// Sets A_LastError from the system and ErrorLevel to 0 or 1.
Result report_outcome(bool ok);

// "0" or "1" (blank: 0) of an overwrite or recurse parameter.
bool flag_set(StringView flag);

}  // namespace orv
