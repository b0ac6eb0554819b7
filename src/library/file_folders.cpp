// Folders whole: FileCreateDir, Path (with any folders above it that are
// missing); FileRemoveDir, Path [, Recurse]; FileCopyDir, Source, Dest
// [, Overwrite]; FileMoveDir, Source, Dest [, 0 | 1 | R]. ErrorLevel is 0
// or 1.
//
// Overwrite 1 merges Source into an existing Dest, replacing the files both
// have and keeping those only Dest has. A move tries a rename first, which
// is all or nothing; only across volumes does it copy and then remove.
// Links to folders inside a tree are removed as links and neither copied
// nor followed.
#include "library/file_patterns.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "runtime/executor.h"
#include "runtime/file_lookup.h"

namespace orv {

namespace {

bool fail_with(uint32_t error) {
  platform::set_last_error(error);
  return false;
}

String join(StringView folder, StringView name) {
  String path(folder);
  if (!path.empty() && path.back() != u'\\' && path.back() != u'/') path += platform::kPathSeparator;
  return path + String(name);
}

// The path without separators at its end, unless it is a root.
StringView without_final_separator(StringView path) {
  while (path.size() > 1 && (path.back() == u'\\' || path.back() == u'/') && path[path.size() - 2] != u':')
    path.remove_suffix(1);
  return path;
}

bool is_folder(StringView path) {
  platform::DirEntry e;
  return platform::path_entry(path, e) && e.is_directory;
}

bool create_tree(StringView path) {
  path = without_final_separator(path);
  platform::DirEntry e;
  if (platform::path_entry(path, e)) return e.is_directory || fail_with(platform::ErrorAlreadyExists);
  StringView parent = prefix_folder(split_pattern(path).prefix);
  if (!parent.empty() && parent.size() < path.size() && !is_folder(parent) && !create_tree(parent)) return false;
  return platform::create_directory(path);
}

std::vector<platform::DirEntry> entries_of(StringView folder) {
  std::vector<platform::DirEntry> entries;
  platform::list_directory(folder, u"*", entries);
  return entries;
}

bool is_link(const platform::DirEntry& e) { return (e.attributes & platform::AttrReparsePoint) != 0; }

void make_writable(StringView path, const platform::DirEntry& e) {
  if (e.attributes & platform::AttrReadOnly) platform::set_file_attributes(path, e.attributes & ~platform::AttrReadOnly);
}

// Everything in the folder and the folder itself; read-only entries too,
// since the whole tree was asked to go. Goes on past a failure.
bool remove_tree(StringView folder) {
  bool ok = true;
  for (const platform::DirEntry& e : entries_of(folder)) {
    String path = join(folder, e.name);
    make_writable(path, e);
    if (e.is_directory && !is_link(e)) {
      ok = remove_tree(path) && ok;
      continue;
    }
    ok = (e.is_directory ? platform::remove_directory(path) : platform::delete_file(path)) && ok;
  }
  return platform::remove_directory(folder) && ok;
}

bool copy_tree(StringView from, StringView to, bool overwrite) {
  bool ok = true;
  for (const platform::DirEntry& e : entries_of(from)) {
    String source = join(from, e.name), dest = join(to, e.name);
    if (!e.is_directory) {
      ok = platform::copy_file(source, dest, overwrite) && ok;
    } else if (is_link(e)) {
      ok = false;
    } else {
      ok = (is_folder(dest) || platform::create_directory(dest)) && copy_tree(source, dest, overwrite) && ok;
    }
  }
  return ok;
}

bool move_tree(StringView from, StringView to);

// Source's entries into the existing folder Dest, replacing files.
bool merge_tree(StringView from, StringView to) {
  bool ok = true;
  for (const platform::DirEntry& e : entries_of(from)) {
    String source = join(from, e.name), dest = join(to, e.name);
    if (e.is_directory && !is_link(e) && is_folder(dest)) ok = merge_tree(source, dest) && ok;
    else if (e.is_directory) ok = move_tree(source, dest) && ok;
    else ok = platform::move_file(source, dest, true) && ok;
  }
  return platform::remove_directory(from) && ok;
}

// A folder to where nothing is yet: renamed if it can be, else copied and
// removed once the copy is complete.
bool move_tree(StringView from, StringView to) {
  if (platform::rename_path(from, to)) return true;
  if (platform::last_error() != platform::ErrorNotSameDevice) return false;
  if (!platform::create_directory(to) || !copy_tree(from, to, false)) return false;
  return remove_tree(from);
}

// Whether `inner` lies inside `outer` (or is it): copying or moving a folder
// into itself would never end.
bool inside(StringView inner, StringView outer) {
  String a = platform::long_path(inner), b = platform::long_path(outer);
  if (a.empty() || b.empty() || a.size() < b.size() || !equals_ignore_case(StringView(a).substr(0, b.size()), b))
    return false;
  return a.size() == b.size() || a[b.size()] == u'\\' || a[b.size()] == u'/' || b.back() == u'\\' || b.back() == u'/';
}

// The checks FileCopyDir and FileMoveDir share: Source is a folder, Dest is
// not inside it, and Dest exists only where it may.
bool may_copy_or_move(StringView from, StringView to, bool overwrite) {
  if (from.empty() || to.empty()) return fail_with(platform::ErrorInvalidParameter);
  platform::DirEntry e;
  if (!platform::path_entry(from, e)) return false;
  if (!e.is_directory) return fail_with(platform::ErrorDirectory);
  if (inside(to, from)) return fail_with(platform::ErrorInvalidParameter);
  if (platform::path_entry(to, e) && (!overwrite || !e.is_directory)) return fail_with(platform::ErrorAlreadyExists);
  return true;
}

bool create_parent(StringView path) {
  StringView parent = prefix_folder(split_pattern(without_final_separator(path)).prefix);
  return parent.empty() || is_folder(parent) || create_tree(parent);
}

}  // namespace

Result cmd_file_create_dir(const ScriptLine&, ExpandedArgs& args) {
  StringView path = arg_text(args, 0);
  return report_outcome(path.empty() ? fail_with(platform::ErrorInvalidParameter) : create_tree(path));
}

Result cmd_file_remove_dir(const ScriptLine&, ExpandedArgs& args) {
  StringView path = without_final_separator(arg_text(args, 0));
  if (path.empty()) return report_outcome(fail_with(platform::ErrorInvalidParameter));
  if (!flag_set(arg_text(args, 1))) return report_outcome(platform::remove_directory(path));
  platform::DirEntry e;
  if (!platform::path_entry(path, e)) return report_outcome(false);
  if (!e.is_directory) return report_outcome(fail_with(platform::ErrorDirectory));
  if (is_link(e)) return report_outcome(platform::remove_directory(path));
  make_writable(path, e);
  return report_outcome(remove_tree(path));
}

Result cmd_file_copy_dir(const ScriptLine&, ExpandedArgs& args) {
  StringView from = without_final_separator(arg_text(args, 0)), to = without_final_separator(arg_text(args, 1));
  bool overwrite = flag_set(arg_text(args, 2));
  if (!may_copy_or_move(from, to, overwrite)) return report_outcome(false);
  return report_outcome(create_tree(to) && copy_tree(from, to, overwrite));
}

Result cmd_file_move_dir(const ScriptLine&, ExpandedArgs& args) {
  StringView from = without_final_separator(arg_text(args, 0)), to = without_final_separator(arg_text(args, 1));
  StringView flag = trim(arg_text(args, 2));
  bool rename_only = equals_ignore_case(flag, u"R");
  bool overwrite = !rename_only && flag_set(flag);
  if (!may_copy_or_move(from, to, overwrite)) return report_outcome(false);
  if (rename_only) return report_outcome(platform::rename_path(from, to));
  if (is_folder(to)) return report_outcome(merge_tree(from, to));
  if (!create_parent(to)) return report_outcome(fail_with(platform::ErrorPathNotFound));
  return report_outcome(move_tree(from, to));
}

}  // namespace orv
