#include "library/file_patterns.h"

#include "platform/file_system.h"
#include "platform/files.h"
#include "runtime/error_level.h"
#include "runtime/executor.h"
#include "runtime/file_lookup.h"
#include "runtime/numbers.h"
#include "runtime/thread_settings.h"
#include "runtime/variable.h"

namespace orv {

namespace {

bool in_scope(const platform::DirEntry& e, MatchScope scope) { return e.is_directory ? scope.folders : scope.files; }

void collect(const String& prefix, StringView name, MatchScope scope, std::vector<FileMatch>& out) {
  std::vector<platform::DirEntry> entries;
  platform::list_directory(prefix_folder(prefix), name, entries);
  for (platform::DirEntry& e : entries) {
    if (!in_scope(e, scope)) continue;
    String path = prefix + e.name;
    out.push_back(FileMatch{std::move(path), std::move(e)});
  }
  if (!scope.recurse) return;
  std::vector<platform::DirEntry> folders;
  platform::list_directory(prefix_folder(prefix), u"*", folders);
  for (const platform::DirEntry& e : folders) {
    // A link to a folder is not followed: it could lead back up the tree.
    if (!e.is_directory || (e.attributes & platform::AttrReparsePoint)) continue;
    collect(prefix + e.name + platform::kPathSeparator, name, scope, out);
  }
}

}  // namespace

MatchScope scope_of(StringView operate_on_folders, StringView recurse) {
  MatchScope scope;
  int64_t which = text_to_int(trim(operate_on_folders));
  scope.files = which != 2;
  scope.folders = which == 1 || which == 2;
  scope.recurse = flag_set(recurse);
  return scope;
}

std::vector<FileMatch> find_matches(StringView pattern, MatchScope scope) {
  std::vector<FileMatch> out;
  if (pattern.empty()) return out;
  if (!has_wildcards(pattern) && !scope.recurse) {
    platform::DirEntry e;
    if (platform::path_entry(pattern, e) && in_scope(e, scope)) out.push_back(FileMatch{String(pattern), std::move(e)});
    return out;
  }
  SplitPattern parts = split_pattern(pattern);
  collect(String(parts.prefix), parts.name, scope, out);
  return out;
}

void FailureTally::add(bool ok) {
  if (ok) return;
  ++failed;
  error = platform::last_error();
}

Result report_failures(StringView pattern, size_t matched, const FailureTally& tally) {
  if (matched == 0 && !has_wildcards(pattern)) {
    g_thread->last_error = platform::ErrorFileNotFound;
    return set_error_level(1);
  }
  g_thread->last_error = tally.error;
  return set_error_level(tally.failed);
}

StringView file_or_loop_file(StringView given, String& buf) {
  if (!given.empty() || !g_thread->loop_file) return given;
  buf = g_thread->loop_file->prefix + g_thread->loop_file->name;
  return buf;
}

bool find_queried_file(ExpandedArgs& args, platform::DirEntry& e, Result& result) {
  Variable* out = args.vars[0];
  if (out && !out->assign_empty()) {
    result = ResultFailed;
    return false;
  }
  String buf;
  if (!first_match(file_or_loop_file(arg_text(args, 1), buf), e)) {
    result = report_outcome(false);
    return false;
  }
  return true;
}

Result report_outcome(bool ok) {
  // After a success the system may still hold the reason of an earlier failure.
  g_thread->last_error = ok ? 0 : platform::last_error();
  return set_error_level(ok ? 0 : 1);
}

bool flag_set(StringView flag) { return text_to_int(trim(flag)) != 0; }

}  // namespace orv
