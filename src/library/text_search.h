// Finding and replacing text inside text, shared by the expression
// functions (InStr, StrReplace, StrSplit) and the legacy commands
// (StringGetPos, StringReplace), so that both spell a search the same way.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace orv {

enum class CaseMode : uint8_t { Sensitive, Insensitive };

// The mode the running thread's StringCaseSense setting asks for.
CaseMode thread_case_mode();

bool matches_at(StringView hay, size_t at, StringView needle, CaseMode mode);

// The 0-based position of the `occurrence`-th match at or after `from`
// (occurrences do not overlap), or npos. An empty needle matches at `from`.
size_t find_forward(StringView hay, StringView needle, size_t from, int64_t occurrence, CaseMode mode);

// The same counted from the right: matches must end at or before `end`
// (an exclusive 0-based end), and do not overlap either. An empty needle
// matches at `end`.
size_t find_backward(StringView hay, StringView needle, size_t end, int64_t occurrence, CaseMode mode);

// Replaces the first `limit` matches from the left (all when negative) and
// returns how many there were; `out` is left untouched when there were none.
// A result that would grow past what a variable may hold is not built: the
// answer is then kReplacedTooLong.
inline constexpr int64_t kReplacedTooLong = -1;
int64_t replace_text(StringView hay, StringView search, StringView replacement, int64_t limit, CaseMode mode,
                     String& out);

}  // namespace orv
