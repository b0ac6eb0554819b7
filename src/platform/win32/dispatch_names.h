// Member names as dispatch identifiers. COM asks for a member's number
// once and then invokes it by number, so every name gets one number for
// the life of the process, the same for every object: an object cannot
// know in advance which members it will have.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace orv::platform {

// The identifier of `name`, compared case-insensitively; a name never seen
// gets the next number from 1 upward. 0 when memory is short.
int32_t dispatch_id_of_name(StringView name);

// The name behind `id`, as it was first given; false for a number never
// handed out. The text stays valid for the life of the process.
bool dispatch_name_of_id(int32_t id, StringView& name);

}  // namespace orv::platform
