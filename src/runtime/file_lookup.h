// Files as scripts name them: a path or a pattern with * and ? in its last
// part, and the attribute letters scripts read ("RASHNDOCT").
#pragma once

#include "base/text.h"
#include "platform/platform.h"

namespace orv {

bool has_wildcards(StringView pattern);

// A pattern split after its last separator: the folder part keeps the
// separator ("sub\" of "sub\*.txt") and is empty for a bare name.
struct SplitPattern {
  StringView prefix;
  StringView name;
};
SplitPattern split_pattern(StringView pattern);
// The folder a prefix names, as list_directory takes it: without the final
// separator unless that is all there is.
StringView prefix_folder(StringView prefix);

// The first file or folder the pattern matches; false when there is none.
// `out.name` is the name it has on disk when the pattern had wildcards.
bool first_match(StringView pattern, platform::DirEntry& out);

// The attribute letters in their customary order.
String attribute_letters(uint32_t attributes);

}  // namespace orv
