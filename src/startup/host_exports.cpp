// The host functions as the process exports them: plain C entry points
// over events/host_calls.h. host_exports.def gives each its other
// letter-case names. Linked into the program and into the library build.
#include <cstdint>

#include "events/host_calls.h"

namespace {

using Text = const char16_t*;

char16_t* out(Text s) { return const_cast<char16_t*>(s); }

// The arguments up to the first null, at most ten.
int gather(const Text* given, Text* args) {
  int n = 0;
  while (n < orv::host::kMaxArgs && given[n]) {
    args[n] = given[n];
    ++n;
  }
  return n;
}

}  // namespace

extern "C" {

char16_t* ORVFUNCTION(const char16_t* name, const char16_t* p1, const char16_t* p2, const char16_t* p3,
                      const char16_t* p4, const char16_t* p5, const char16_t* p6, const char16_t* p7,
                      const char16_t* p8, const char16_t* p9, const char16_t* p10) {
  Text given[] = {p1, p2, p3, p4, p5, p6, p7, p8, p9, p10};
  Text args[orv::host::kMaxArgs];
  return out(orv::host::call_function(name, args, gather(given, args)));
}

int ORVPOSTFUNCTION(const char16_t* name, const char16_t* p1, const char16_t* p2, const char16_t* p3,
                    const char16_t* p4, const char16_t* p5, const char16_t* p6, const char16_t* p7, const char16_t* p8,
                    const char16_t* p9, const char16_t* p10) {
  Text given[] = {p1, p2, p3, p4, p5, p6, p7, p8, p9, p10};
  Text args[orv::host::kMaxArgs];
  return orv::host::post_function(name, args, gather(given, args));
}

int ORVASSIGN(const char16_t* name, const char16_t* value) { return orv::host::assign(name, value); }

char16_t* ORVGETVAR(const char16_t* name, int want_pointer) { return out(orv::host::get_var(name, want_pointer != 0)); }

int ORVLABEL(const char16_t* name, int no_wait) { return orv::host::run_label(name, no_wait != 0); }

void* ORVEXECUTELINE(void* line, int mode, int wait) { return orv::host::execute_line(line, mode, wait != 0); }

void* ORVFINDFUNC(const char16_t* name) { return orv::host::find_func(name); }

void* ORVFINDLABEL(const char16_t* name) { return orv::host::find_label(name); }

int ORVPAUSE(const char16_t* state) { return orv::host::pause(reinterpret_cast<uintptr_t>(state)); }

int ORVISUNICODE() { return 1; }

}  // extern "C"
