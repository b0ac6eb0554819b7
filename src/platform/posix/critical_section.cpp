#include <pthread.h>

#include <new>

#include "platform/critical_section.h"

namespace orv::platform {

// Recursive like a CRITICAL_SECTION: a method of a locked object may use
// the object again.
void* create_critical_section() {
  auto* mutex = new (std::nothrow) pthread_mutex_t;
  if (!mutex) return nullptr;
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(mutex, &attr);
  pthread_mutexattr_destroy(&attr);
  return mutex;
}

void enter_critical_section(void* section) { pthread_mutex_lock(static_cast<pthread_mutex_t*>(section)); }
bool try_enter_critical_section(void* section) {
  return pthread_mutex_trylock(static_cast<pthread_mutex_t*>(section)) == 0;
}
void leave_critical_section(void* section) { pthread_mutex_unlock(static_cast<pthread_mutex_t*>(section)); }

void delete_critical_section(void* section) {
  pthread_mutex_destroy(static_cast<pthread_mutex_t*>(section));
  delete static_cast<pthread_mutex_t*>(section);
}

}  // namespace orv::platform
