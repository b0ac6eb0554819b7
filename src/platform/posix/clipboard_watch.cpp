#include "platform/clipboard_watch.h"

namespace orv::platform {

// The headless host's clipboard is its own and changes only when the script
// changes it; nobody is told.
bool watch_clipboard(bool on) { return !on; }

int clipboard_content_kind() { return 0; }

}  // namespace orv::platform
