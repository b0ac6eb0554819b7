// Compiled patterns, shared by every caller in the process through one
// cache of the most recent 100 needles. A pattern stays alive for as long
// as anybody holds it, so that a match in progress never loses its pattern
// to another thread's (or a callout's) compile.
#pragma once

#include <memory>
#include <vector>

#include <pcre2.h>

#include "base/text.h"
#include "library/regex_options.h"


namespace orv {

struct CompiledRegex {
  pcre2_code* code = nullptr;
  RegexOutputMode mode = RegexOutputMode::Plain;
  size_t pattern_offset = 0;
  uint32_t group_count = 0;     // capturing groups, the whole match not counted
  bool newline_has_crlf = false;  // a CR LF pair is one line end
  // The pattern has callout items (or the C option): matching it may run
  // script code, which can change the variables its texts came from.
  bool has_callouts = false;
  // Group names by number (entry 0 unused); empty when the pattern names none.
  std::vector<String> names;

  CompiledRegex() = default;
  CompiledRegex(const CompiledRegex&) = delete;
  CompiledRegex& operator=(const CompiledRegex&) = delete;
  ~CompiledRegex();

  // The first group named `name` (exactly, or without regard to case) that
  // took part in the match `ovector` describes (PCRE2_UNSET pairs did not),
  // else the first of that name; -1 when there is none.
  int group_named(StringView name, bool ignore_case, const size_t* ovector, uint32_t pairs) const;
};

using RegexRef = std::shared_ptr<const CompiledRegex>;

inline constexpr int kRegexCacheSlots = 100;

// The compiled form of `needle`, from the cache or compiled now and cached.
// Null when it does not compile; `error` then holds the message scripts see
// in ErrorLevel.
RegexRef compile_regex(StringView needle, String& error);

// Whether `needle` is in the cache now (for tests of the eviction order).
bool regex_cached(StringView needle);
// Empties the cache (for tests).
void clear_regex_cache();

}  // namespace orv
