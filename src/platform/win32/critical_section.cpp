#include <windows.h>

#include "platform/critical_section.h"

namespace orv::platform {

// Fixed global memory, so that native code handed the address can rely on it.
void* create_critical_section() {
  auto* section = static_cast<CRITICAL_SECTION*>(GlobalAlloc(GMEM_FIXED, sizeof(CRITICAL_SECTION)));
  if (section) InitializeCriticalSection(section);
  return section;
}

void enter_critical_section(void* section) { EnterCriticalSection(static_cast<CRITICAL_SECTION*>(section)); }
bool try_enter_critical_section(void* section) {
  return TryEnterCriticalSection(static_cast<CRITICAL_SECTION*>(section)) != 0;
}
void leave_critical_section(void* section) { LeaveCriticalSection(static_cast<CRITICAL_SECTION*>(section)); }

void delete_critical_section(void* section) {
  DeleteCriticalSection(static_cast<CRITICAL_SECTION*>(section));
  GlobalFree(section);
}

}  // namespace orv::platform
