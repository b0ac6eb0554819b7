// The variable listing shown by ListVars in the main window.
#pragma once

#include "base/text.h"
#include "runtime/variable_list.h"

namespace orv {

// The listing never grows past this many characters.
inline constexpr size_t kListVarsMaxChars = 65534;

// One line per normal variable of the list (aliases shown by their target),
// in name order: "NAME[LENGTH of CAPACITY]: TEXT" with the first 60
// characters of the text, or "NAME: Object(0x...)". Appends to `out`.
void append_var_lines(String& out, const VariableList& list);

// The sections of a running function: its statics, then its locals.
String function_var_sections(StringView function, const VariableList& statics, const VariableList& locals);

// The global section: its heading, then the lines. `function_sections` is
// the text of the running function's sections, empty when none runs.
String list_vars_text(const VariableList& globals, StringView function_sections = {});

}  // namespace orv
