// OnClipboardChange: the label of that name and the functions registered
// with OnClipboardChange() run as a thread when the clipboard changes.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "runtime/value.h"

namespace orv {

struct Func;

// Listens to the clipboard while anything wants to know of its changes.
void update_clipboard_watch();

// The clipboard changed: runs the label and, with `functions_too`, the
// functions, as one new thread.
void launch_clipboard_thread(bool functions_too);

}  // namespace orv
