// How a title, class, executable or text criterion compares with what a
// window shows, per the thread's title-match mode.
#include "library/regex_cache.h"
#include "library/regex_matcher.h"
#include "windows/window_search.h"

namespace orv {

namespace {

// Patterns come from the shared cache; one that does not compile is no
// error here, it simply matches nothing.
bool regex_found(StringView subject, StringView pattern) {
  String error;
  RegexRef regex = compile_regex(pattern, error);
  if (!regex) return false;
  RegexMatcher matcher(*regex);
  return matcher.ready() && matcher.match(subject, 0) >= 0;
}

}  // namespace

bool title_matches(StringView subject, StringView pattern, TitleMatchMode mode) {
  switch (mode) {
    case TitleMatchMode::StartsWith: return subject.substr(0, pattern.size()) == pattern;
    case TitleMatchMode::Contains: return subject.find(pattern) != StringView::npos;
    case TitleMatchMode::Exact: return subject == pattern;
    case TitleMatchMode::RegEx: return regex_found(subject, pattern);
  }
  return false;
}

bool text_contains(StringView subject, StringView pattern, TitleMatchMode mode) {
  return mode == TitleMatchMode::RegEx ? regex_found(subject, pattern) : subject.find(pattern) != StringView::npos;
}

bool class_matches(StringView subject, StringView pattern, TitleMatchMode mode) {
  return mode == TitleMatchMode::RegEx ? regex_found(subject, pattern) : subject == pattern;
}

}  // namespace orv
