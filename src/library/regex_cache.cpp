#include "library/regex_cache.h"

#include <pcre2.h>

#include <mutex>

namespace orv {

namespace {

struct Slot {
  String needle;  // as the script wrote it, option prefix included
  RegexRef regex;
};

// Filled from slot 0 up; once full, each new pattern replaces the one after
// the last filled, circularly, so the oldest goes first.
struct Cache {
  std::mutex lock;
  Slot slots[kRegexCacheSlots];
  int filled = 0;
  int last_filled = -1;
  int most_recent = -1;
};

Cache& cache() {
  static Cache* c = new Cache;  // never destroyed: other threads may match while the process ends
  return *c;
}

// The slot holding `needle`, or -1. Looks at the most recently used slot
// first, then alternately one forward and one backward from it: a script's
// loop tends to reuse the few patterns compiled next to each other.
int find_slot(Cache& c, StringView needle) {
  if (c.filled == 0) return -1;
  int start = c.most_recent;
  if (c.slots[start].needle == needle) return start;
  for (int step = 1; step < c.filled; ++step) {
    // 1 forward, 1 backward, 2 forward, 2 backward ...
    int distance = (step + 1) / 2;
    int at = step % 2 ? start + distance : start - distance;
    at = ((at % c.filled) + c.filled) % c.filled;
    if (c.slots[at].needle == needle) return at;
  }
  return -1;
}

String compile_error_text(int code, size_t offset) {
  PCRE2_UCHAR16 text[256];
  int n = pcre2_get_error_message(code, text, 256);
  String error = u"Compile error " + to_string(code) + u" at offset " + to_string(int64_t(offset)) + u": ";
  if (n > 0) error.append(reinterpret_cast<const char16_t*>(text), size_t(n));
  return error;
}

void read_names(CompiledRegex& re) {
  uint32_t count = 0, entry_size = 0;
  PCRE2_SPTR16 table = nullptr;
  pcre2_pattern_info(re.code, PCRE2_INFO_NAMECOUNT, &count);
  if (count == 0) return;
  pcre2_pattern_info(re.code, PCRE2_INFO_NAMEENTRYSIZE, &entry_size);
  pcre2_pattern_info(re.code, PCRE2_INFO_NAMETABLE, &table);
  re.names.resize(re.group_count + 1);
  for (uint32_t i = 0; i < count; ++i) {
    // Each entry: the group number in one code unit, then the name, zero-terminated.
    const char16_t* entry = reinterpret_cast<const char16_t*>(table + size_t(i) * entry_size);
    uint32_t number = entry[0];
    // With duplicate names allowed, a group number appears once per name; keep the first.
    if (number < re.names.size() && re.names[number].empty()) re.names[number] = String(entry + 1);
  }
}

RegexRef compile(StringView needle, String& error) {
  RegexOptions o = parse_regex_options(needle);
  StringView pattern = needle.substr(o.pattern_offset);
  pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
  if (!context) {
    error = compile_error_text(PCRE2_ERROR_NOMEMORY, 0);
    return nullptr;
  }
  pcre2_set_newline(context, o.newline);
  pcre2_set_compile_extra_options(context, o.extra);
  int code = 0;
  PCRE2_SIZE offset = 0;
  pcre2_code* compiled = pcre2_compile(reinterpret_cast<PCRE2_SPTR16>(pattern.data() ? pattern.data() : u""),
                                       pattern.size(), o.compile, &code, &offset, context);
  pcre2_compile_context_free(context);
  if (!compiled) {
    error = compile_error_text(code, offset);
    return nullptr;
  }
  auto re = std::make_shared<CompiledRegex>();
  re->code = compiled;
  re->mode = o.mode;
  re->pattern_offset = o.pattern_offset;
  pcre2_pattern_info(compiled, PCRE2_INFO_CAPTURECOUNT, &re->group_count);
  uint32_t newline = 0;
  pcre2_pattern_info(compiled, PCRE2_INFO_NEWLINE, &newline);
  re->newline_has_crlf = newline == PCRE2_NEWLINE_CRLF || newline == PCRE2_NEWLINE_ANY || newline == PCRE2_NEWLINE_ANYCRLF;
  read_names(*re);
  re->has_callouts = (o.compile & PCRE2_AUTO_CALLOUT) != 0 ||
                     pcre2_callout_enumerate(compiled, [](pcre2_callout_enumerate_block*, void*) { return 1; }, nullptr) != 0;
  // Machine code when it can be had; the interpreter serves otherwise
  // (no JIT in this build, or no executable memory).
  if (o.jit) (void)pcre2_jit_compile(compiled, PCRE2_JIT_COMPLETE);
  return re;
}

}  // namespace

CompiledRegex::~CompiledRegex() { pcre2_code_free(code); }

int CompiledRegex::group_named(StringView name, bool ignore_case, const size_t* ovector, uint32_t pairs) const {
  int first = -1;
  for (size_t n = 1; n < names.size(); ++n) {
    if (names[n].empty()) continue;
    if (!(ignore_case ? equals_ignore_case(names[n], name) : StringView(names[n]) == name)) continue;
    if (ovector && n < pairs && ovector[2 * n] != PCRE2_UNSET) return int(n);
    if (first < 0) first = int(n);
  }
  return first;
}

RegexRef compile_regex(StringView needle, String& error) {
  Cache& c = cache();
  {
    std::lock_guard<std::mutex> guard(c.lock);
    int at = find_slot(c, needle);
    if (at >= 0) {
      c.most_recent = at;
      return c.slots[at].regex;
    }
  }
  // Compiled outside the lock: another thread's lookups need not wait for
  // it. Two threads compiling one new needle at once both cache it; the
  // second copy only takes a slot.
  RegexRef re = compile(needle, error);
  if (!re) return nullptr;
  RegexRef old;  // freed after the lock is let go
  {
    std::lock_guard<std::mutex> guard(c.lock);
    int at = (c.last_filled + 1) % kRegexCacheSlots;
    old = std::move(c.slots[at].regex);
    c.slots[at].needle.assign(needle);
    c.slots[at].regex = re;
    if (c.filled < kRegexCacheSlots) ++c.filled;
    c.last_filled = c.most_recent = at;
  }
  return re;
}

bool regex_cached(StringView needle) {
  Cache& c = cache();
  std::lock_guard<std::mutex> guard(c.lock);
  for (int i = 0; i < c.filled; ++i)
    if (c.slots[i].needle == needle) return true;
  return false;
}

void clear_regex_cache() {
  Cache& c = cache();
  std::lock_guard<std::mutex> guard(c.lock);
  for (Slot& s : c.slots) {
    s.needle.clear();
    s.regex.reset();
  }
  c.filled = 0;
  c.last_filled = c.most_recent = -1;
}

}  // namespace orv
