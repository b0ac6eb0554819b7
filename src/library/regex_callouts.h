// Callouts: a pattern's (?C) items (or every item, with the C option) call
// the script function named in the variable pcre_callout, which decides
// whether the match goes on.
#pragma once

#include "base/result.h"
#include "base/text.h"
#include "library/regex_cache.h"
#include "library/regex_matcher.h"

namespace orv {

struct CalloutCall {
  RegexRef regex;
  StringView subject;
  StringView needle;
  // Set when the function ended the thread, threw or failed: the match was
  // abandoned, and the caller passes this on instead of any match result.
  Result failure = ResultDone;
  // A negative number the function returned: the match ended with it,
  // and it reaches ErrorLevel as it stands.
  bool script_code = false;
  int code = 0;
};

// Lets `matcher` call the script on callouts, on the script's own thread
// only; elsewhere callouts let the match go on.
void attach_callouts(RegexMatcher& matcher, CalloutCall& call);

}  // namespace orv
