// Settings the native hosts give the headless platform before start-up.
#pragma once

#include <cstdint>
#include <vector>

#include "base/text.h"

namespace orv::platform {

// The script file the host runs; it stands in for the executable.
void set_script_path(StringView path);

// The fuzz hosts run scripts nobody has read, many per second, and must
// survive each of them. These settings keep such a run to itself.

// The script text as stored, taken instead of the file at the script path.
void set_script_source(std::vector<uint8_t> bytes);

// Standard output and error (message boxes included) go nowhere.
void discard_output(bool discard);

// A confined run:
// - files are named only by relative paths that stay below the current
//   directory (no absolute path, no ".." step); others cannot be read,
//   written, listed or made current;
// - memory named by a script by its address is refused (see
//   foreign_memory_allowed), and no memory is made executable;
// - the clock is virtual: it starts at a fixed time, each reading advances
//   it by a millisecond and a sleep advances it by its length, so waits cost
//   nothing and timers fire in a repeatable order;
// - the program is asked to close when it waits with nothing that could
//   ever end the wait, or once the virtual clock has run for
//   `waiting_limit_ms` in all.
void confine(uint64_t waiting_limit_ms);

// Called as the process ends, just before it does, with its exit code; the
// hook may end the process itself.
void set_exit_hook(void (*hook)(int code));

// Whether the run is confined; the other headless sources ask.
bool confined();
// Whether a path stays below the current directory: relative, and without
// a ".." step (either separator counts, as scripts are written for Windows).
bool path_stays_inside(StringView path);
// The Windows error code (winerror.h) scripts see in A_LastError for an
// errno value of the file calls.
uint32_t windows_error(int error);
// Whether a confined run has waited long enough: the virtual clock is past
// the waiting limit.
bool waiting_over();

}  // namespace orv::platform
