// FileCopy, SourcePattern, Dest [, Overwrite] and FileMove likewise: every
// file the pattern matches (folders never) goes to Dest, which is a folder
// to put them in, a name, or a name pattern ("backup\*.bak" keeps each
// name and gives it the extension .bak). Without Overwrite an existing
// file is never replaced; ErrorLevel counts the files that failed.
#include "library/file_patterns.h"
#include "platform/file_system.h"
#include "runtime/executor.h"
#include "runtime/file_lookup.h"

namespace orv {

namespace {

// A part of a name pattern: "*" in it stands for the same part of the
// source name; without one the part is taken as it is.
String fill_part(StringView pattern, StringView source) {
  size_t star = pattern.find(u'*');
  if (star == StringView::npos) return String(pattern);
  String out(pattern.substr(0, star));
  out += source;
  // Further stars have nothing left to stand for.
  for (char16_t c : pattern.substr(star + 1))
    if (c != u'*') out += c;
  return out;
}

// The name a file called `name` gets from a destination name pattern, its
// base name and extension each filled in on their own.
String apply_name_pattern(StringView pattern, StringView name) {
  size_t pattern_dot = pattern.rfind(u'.');
  if (pattern_dot == StringView::npos) return fill_part(pattern, name);
  size_t dot = name.rfind(u'.');
  StringView base = dot == StringView::npos ? name : name.substr(0, dot);
  StringView ext = dot == StringView::npos ? StringView() : name.substr(dot + 1);
  String out = fill_part(pattern.substr(0, pattern_dot), base);
  String new_ext = fill_part(pattern.substr(pattern_dot + 1), ext);
  if (!new_ext.empty()) out += u'.' + new_ext;
  return out;
}

bool ends_with_separator(StringView path) { return !path.empty() && (path.back() == u'\\' || path.back() == u'/'); }

// Where each source file goes.
class Destination {
 public:
  explicit Destination(StringView dest) {
    SplitPattern parts = split_pattern(dest);
    platform::DirEntry e;
    if (has_wildcards(parts.name)) {
      folder_ = String(parts.prefix);
      pattern_ = String(parts.name);
    } else if (ends_with_separator(dest) || (platform::path_entry(dest, e) && e.is_directory)) {
      folder_ = String(dest);
      if (!ends_with_separator(folder_)) folder_ += platform::kPathSeparator;
      pattern_ = u"*.*";
    } else {
      folder_ = String(dest);  // one name for every file
    }
  }

  String for_file(StringView name) const {
    if (pattern_.empty()) return folder_;
    return folder_ + apply_name_pattern(pattern_, name);
  }

 private:
  String folder_;
  String pattern_;
};

Result copy_or_move(ExpandedArgs& args, bool move) {
  StringView source = arg_text(args, 0);
  StringView dest = arg_text(args, 1);
  bool overwrite = flag_set(arg_text(args, 2));
  if (dest.empty()) return report_failures(StringView(), 0, FailureTally{});
  Destination to(dest);
  std::vector<FileMatch> matches = find_matches(source, MatchScope{});
  FailureTally tally;
  for (const FileMatch& m : matches) {
    String target = to.for_file(m.entry.name.empty() ? split_pattern(m.path).name : StringView(m.entry.name));
    tally.add(move ? platform::move_file(m.path, target, overwrite) : platform::copy_file(m.path, target, overwrite));
  }
  return report_failures(source, matches.size(), tally);
}

}  // namespace

Result cmd_file_copy(const ScriptLine&, ExpandedArgs& args) { return copy_or_move(args, false); }

Result cmd_file_move(const ScriptLine&, ExpandedArgs& args) { return copy_or_move(args, true); }

}  // namespace orv
