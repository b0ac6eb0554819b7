// The match object RegExMatch gives in its O mode and callouts receive:
// each group's position, length, text and name, the group count and the
// last mark, read with a group number or name (none: the whole match).
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/text.h"
#include "library/regex_cache.h"

namespace orv {

class IObject;

// A new object (one reference for the caller) describing the groups of a
// match of `regex` in `subject`; null when memory is short. It keeps its own
// copy of the matched stretch of the subject.
IObject* new_regex_match_object(RegexRef regex, StringView subject, const size_t* ovector, uint32_t pairs,
                                StringView mark);

}  // namespace orv
