// Functions in native libraries, and machine code a script supplies: the
// platform side of calling native code.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/text.h"

namespace orv::platform {

enum class LibraryLookup : uint8_t { Found, LibraryMissing, FunctionMissing };

// Finds a function by "Library\Function" or by a bare name in the standard
// libraries (user32, kernel32, comctl32, gdi32), each also under the name
// with "W" appended. A library named explicitly is loaded when it is not
// already and stays loaded, since the address is kept.
LibraryLookup find_library_function(StringView name, void*& address);

// A copy of `bytes` in memory that may be executed; null when the system
// refuses the memory.
void* commit_executable(const uint8_t* bytes, size_t size);

}  // namespace orv::platform
