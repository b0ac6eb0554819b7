// Structure definitions as scripts give them: literal text, a structure to
// copy, or the name of a variable holding either; and their errors.
#pragma once

#include "base/result.h"
#include "base/text.h"
#include "objects/struct_layout.h"

namespace orv {

// The layout a variable of that name holds (as definition text or as a
// structure).
LayoutResult find_named_definition(StringView name);
// Reports why a definition failed; ResultFailed.
Result report_definition_error(const LayoutResult& failed);

}  // namespace orv
