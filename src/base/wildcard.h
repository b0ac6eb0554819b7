// File-name patterns: "*" matches any run of characters, "?" any one; case
// is folded as file names are compared on Windows.
#pragma once

#include "base/text.h"

namespace orv {

bool wildcard_match(StringView pattern, StringView name);

}  // namespace orv
