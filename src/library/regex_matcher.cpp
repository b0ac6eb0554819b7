#include "library/regex_matcher.h"

#include <pcre2.h>

#include <vector>

namespace orv {

namespace {

// What one pattern may cost before the match gives up with an error rather
// than hang or exhaust memory: backtracking steps, backtracking depth, the
// engine's heap for remembered positions (KiB), and the machine-code
// matcher's own stack.
constexpr uint32_t kMatchLimit = 10'000'000;
constexpr uint32_t kDepthLimit = 1'000'000;
constexpr uint32_t kHeapLimitKiB = 64 * 1024;
constexpr size_t kJitStackFirst = 32 * 1024;
constexpr size_t kJitStackMost = 1024 * 1024;

}  // namespace

struct MatchWorkspace {
  pcre2_match_data* data = nullptr;
  uint32_t pairs = 0;
  pcre2_match_context* context = nullptr;
  pcre2_jit_stack* jit_stack = nullptr;
  bool busy = false;

  bool init() {
    context = pcre2_match_context_create(nullptr);
    if (!context) return false;
    pcre2_set_match_limit(context, kMatchLimit);
    pcre2_set_depth_limit(context, kDepthLimit);
    pcre2_set_heap_limit(context, kHeapLimitKiB);
    jit_stack = pcre2_jit_stack_create(kJitStackFirst, kJitStackMost, nullptr);
    if (jit_stack) pcre2_jit_stack_assign(context, nullptr, jit_stack);
    return true;
  }
  bool fit(uint32_t want) {
    if (data && pairs >= want) return true;
    pcre2_match_data_free(data);
    data = pcre2_match_data_create(want, nullptr);
    pairs = data ? want : 0;
    return data != nullptr;
  }
  ~MatchWorkspace() {
    pcre2_match_data_free(data);
    pcre2_match_context_free(context);
    pcre2_jit_stack_free(jit_stack);
  }
};

namespace {

// A few per thread: a callout may start a match inside a match.
struct Pool {
  std::vector<MatchWorkspace*> spaces;
  ~Pool() {
    for (MatchWorkspace* s : spaces) delete s;
  }
};

thread_local Pool t_pool;

MatchWorkspace* borrow() {
  for (MatchWorkspace* s : t_pool.spaces) {
    if (!s->busy) {
      s->busy = true;
      return s;
    }
  }
  auto* s = new MatchWorkspace;
  if (!s->init()) {
    delete s;
    return nullptr;
  }
  t_pool.spaces.push_back(s);
  s->busy = true;
  return s;
}

}  // namespace

RegexMatcher::RegexMatcher(const CompiledRegex& regex) : regex_(regex), space_(borrow()) {
  if (space_ && !space_->fit(regex.group_count + 1)) {
    space_->busy = false;
    space_ = nullptr;
  }
  if (space_) pcre2_set_callout(space_->context, nullptr, nullptr);
}

RegexMatcher::~RegexMatcher() {
  if (space_) space_->busy = false;
}

void RegexMatcher::set_callout(Callout callout, void* data) { pcre2_set_callout(space_->context, callout, data); }

int RegexMatcher::match(StringView subject, size_t offset, uint32_t options) {
  // An empty view may have no storage; the engine wants a pointer anyway.
  auto text = reinterpret_cast<PCRE2_SPTR16>(subject.data() ? subject.data() : u"");
  int rc = pcre2_match(regex_.code, text, subject.size(), offset, options, space_->data, space_->context);
  ovector_ = pcre2_get_ovector_pointer(space_->data);
  return rc;
}

StringView RegexMatcher::mark() const {
  PCRE2_SPTR16 m = pcre2_get_mark(space_->data);
  return m ? StringView(reinterpret_cast<const char16_t*>(m)) : StringView();
}

int script_error_number(int engine_error) {
  struct Pair {
    int engine, script;
  };
  static const Pair kNumbers[] = {
      {PCRE2_ERROR_NOMATCH, -1},        {PCRE2_ERROR_NULL, -2},
      {PCRE2_ERROR_BADOPTION, -3},      {PCRE2_ERROR_BADMAGIC, -4},
      {PCRE2_ERROR_NOMEMORY, -6},       {PCRE2_ERROR_NOSUBSTRING, -7},
      {PCRE2_ERROR_MATCHLIMIT, -8},     {PCRE2_ERROR_CALLOUT, -9},
      {PCRE2_ERROR_BADUTFOFFSET, -11},  {PCRE2_ERROR_PARTIAL, -12},
      {PCRE2_ERROR_INTERNAL, -14},      {PCRE2_ERROR_DEPTHLIMIT, -21},
      // The heap that replaced the old engine's recursion is the same limit.
      {PCRE2_ERROR_HEAPLIMIT, -21},     {PCRE2_ERROR_BADOFFSET, -24},
      {PCRE2_ERROR_RECURSELOOP, -26},   {PCRE2_ERROR_JIT_STACKLIMIT, -27},
      {PCRE2_ERROR_BADMODE, -28},       {PCRE2_ERROR_JIT_BADOPTION, -31},
      {PCRE2_ERROR_UNSET, -33},
  };
  for (const Pair& p : kNumbers)
    if (p.engine == engine_error) return p.script;
  // Invalid UTF-16 in the subject (never raised while invalid text is allowed).
  if (engine_error <= PCRE2_ERROR_UTF16_ERR1 && engine_error >= PCRE2_ERROR_UTF16_ERR3) return -10;
  return engine_error;
}

}  // namespace orv
