// Running a compiled pattern over a subject: the engine's per-match state,
// kept per thread for reuse, and the error numbers scripts see.
#pragma once

#include <cstddef>
#include <cstdint>

#include <pcre2.h>

#include "base/text.h"
#include "library/regex_cache.h"


namespace orv {

struct MatchWorkspace;

class RegexMatcher {
 public:
  using Callout = int (*)(pcre2_callout_block* block, void* data);

  // Borrows a workspace of this thread's, or a new one when a match on this
  // thread is already running (a callout that matches again).
  explicit RegexMatcher(const CompiledRegex& regex);
  ~RegexMatcher();
  RegexMatcher(const RegexMatcher&) = delete;
  RegexMatcher& operator=(const RegexMatcher&) = delete;

  bool ready() const { return space_ != nullptr; }
  void set_callout(Callout callout, void* data);

  // The engine's result: the number of pairs set (> 0), PCRE2_ERROR_NOMATCH,
  // or another negative error. `options` are the engine's match options.
  int match(StringView subject, size_t offset, uint32_t options = 0);
  // Start and end of each group, PCRE2_UNSET for a group that took no part.
  const size_t* ovector() const { return ovector_; }
  // The name of the last (*MARK) the match passed, if any.
  StringView mark() const;

 private:
  const CompiledRegex& regex_;
  MatchWorkspace* space_ = nullptr;
  const size_t* ovector_ = nullptr;
};

// The number a script sees for an engine error: the classic numbers its
// scripts test for (-6 out of memory, -8 match limit, -21 depth limit ...),
// whatever this engine numbers them.
int script_error_number(int engine_error);

}  // namespace orv
