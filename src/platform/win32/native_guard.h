// The guard of calls into native code, as the callbacks' side sees it.
#pragma once

namespace orv::platform {

// Script code begins on this thread inside a guarded call (a callback):
// faults from here on are the program's own, until the guard is put back.
int suspend_guard();
void resume_guard(int saved);

}  // namespace orv::platform
