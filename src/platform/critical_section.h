// A recursive lock that several OS threads of one process can share; on
// Windows it is a CRITICAL_SECTION whose address scripts may pass around.
#pragma once

namespace orv::platform {

// A new lock (null when memory is short), its use, and its end.
void* create_critical_section();
void enter_critical_section(void* section);
// Takes the lock only when no other thread holds it.
bool try_enter_critical_section(void* section);
void leave_critical_section(void* section);
void delete_critical_section(void* section);

}  // namespace orv::platform
