// Paths as scripts write them, for Windows, made into paths the headless
// host's file system takes.
#pragma once

#include <string>

#include "base/text.h"

namespace orv::platform {

// Backslashes become slashes, and each name that does not exist as written
// takes the spelling of an entry that differs from it only in case, as
// Windows would find it; names that match nothing stay as written (the
// file a copy is about to create, say).
std::string host_path(StringView path);
// The same, except that the last name stays as written: the name a rename
// that only changes a name's case gives.
std::string host_path_as_named(StringView path);

}  // namespace orv::platform
