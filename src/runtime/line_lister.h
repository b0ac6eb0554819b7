// One script line as a person reads it in ListLines and in error dialogs:
// "NNN: " with the line number, then the line rebuilt from its command and
// arguments (the source text itself is not kept).
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/text.h"

namespace orv {

struct ScriptLine;

enum class LineEnd : uint8_t { Lf, CrLf };

// Appends the line cut to `max_chars` characters, then " (S.SS)" when
// `elapsed_ms` is not zero, then the line end.
void list_line(String& out, const ScriptLine& line, size_t max_chars, int64_t elapsed_ms, LineEnd end);

// Seconds with two decimals, as the elapsed times are shown.
String format_seconds(int64_t ms);

}  // namespace orv
