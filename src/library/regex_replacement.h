// The replacement text of RegExReplace: "$$" a dollar sign, "$1" or
// "${12}" or "${name}" a group's text, with an optional case letter after
// the dollar ("$U1" upper, "$L1" lower, "$T1" title case).
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/text.h"

namespace orv {

struct CompiledRegex;

// One match, as the engine reported it.
struct MatchGroups {
  const CompiledRegex& regex;
  StringView subject;
  const size_t* ovector;  // start and end per group
  uint32_t pairs;         // groups the engine reported, the whole match first
};

// Appends `replacement` with its references resolved against `match`. A
// group that does not exist or took no part inserts nothing; a dollar sign
// that starts no reference is copied as it is.
void expand_replacement(StringView replacement, const MatchGroups& match, String& out);

// The group a "${...}" reference names: its number, or the group named so
// (the first of that name that took part, with duplicate names); -1 for
// none.
int referenced_group(StringView inside, const MatchGroups& match);

}  // namespace orv
