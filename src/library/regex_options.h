// The option prefix scripts write in front of a pattern ("i)abc"), read
// into the engine's compile options and the program's own letters.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/text.h"

namespace orv {

// How RegExMatch hands its result over: the text, positions and lengths
// (P), or a match object (O).
enum class RegexOutputMode : uint8_t { Plain, Positions, Object };

struct RegexOptions {
  uint32_t compile = 0;        // the engine's compile options
  uint32_t extra = 0;          // the engine's extra compile options
  uint32_t newline = 0;        // the engine's newline convention
  bool jit = false;            // S: compile to machine code
  RegexOutputMode mode = RegexOutputMode::Plain;
  size_t pattern_offset = 0;   // where the pattern proper begins in the needle
};

// The options of `needle`. Without an option prefix (a character that is
// no option before the first ")", or no ")" at all) the whole needle is the
// pattern and the defaults apply.
RegexOptions parse_regex_options(StringView needle);

}  // namespace orv
