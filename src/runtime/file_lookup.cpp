#include "runtime/file_lookup.h"

#include <vector>

#include "platform/file_system.h"
#include "platform/files.h"

namespace orv {

bool has_wildcards(StringView pattern) { return pattern.find_first_of(u"*?") != StringView::npos; }

SplitPattern split_pattern(StringView pattern) {
  size_t sep = pattern.find_last_of(u"\\/");
  if (sep == StringView::npos) return {StringView(), pattern};
  return {pattern.substr(0, sep + 1), pattern.substr(sep + 1)};
}

StringView prefix_folder(StringView prefix) {
  if (prefix.size() > 1 && (prefix.back() == u'\\' || prefix.back() == u'/')) prefix.remove_suffix(1);
  // "C:\" is the root; "C:" alone would be the drive's current folder.
  if (prefix.size() == 2 && prefix[1] == u':') return StringView(prefix.data(), 3);
  return prefix;
}

bool first_match(StringView pattern, platform::DirEntry& out) {
  if (!has_wildcards(pattern)) return platform::path_entry(pattern, out);
  SplitPattern parts = split_pattern(pattern);
  std::vector<platform::DirEntry> entries;
  if (!platform::list_directory(prefix_folder(parts.prefix), parts.name, entries)) return false;
  if (entries.empty()) {
    platform::set_last_error(platform::ErrorFileNotFound);
    return false;
  }
  out = std::move(entries.front());
  return true;
}

String attribute_letters(uint32_t attributes) {
  static const struct {
    uint32_t bit;
    char16_t letter;
  } kLetters[] = {{platform::AttrReadOnly, u'R'}, {platform::AttrArchive, u'A'},    {platform::AttrSystem, u'S'},
                  {platform::AttrHidden, u'H'},   {platform::AttrNormal, u'N'},     {platform::AttrDirectory, u'D'},
                  {platform::AttrOffline, u'O'},  {platform::AttrCompressed, u'C'}, {platform::AttrTemporary, u'T'}};
  String letters;
  for (const auto& l : kLetters)
    if (attributes & l.bit) letters += l.letter;
  return letters;
}

}  // namespace orv
