// Watching the clipboard for changes: MainWindow is told of every change
// and posts itself the clipboard-changed message.
#pragma once

namespace orv::platform {

// Starts or stops listening; false when the system refused.
bool watch_clipboard(bool on);

// What the clipboard holds: 0 nothing, 1 text or files, 2 anything else.
int clipboard_content_kind();

}  // namespace orv::platform
