#include "events/thread_settings.h"

namespace orv {

namespace {
// Until the first pseudo-thread is pushed (and in the unit tests) the
// formats and settings of a fresh thread apply.
ThreadSettings g_startup_thread;
}  // namespace

ThreadSettings* g_thread = &g_startup_thread;

}  // namespace orv
