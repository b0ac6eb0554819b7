// ListLines and ListVars: the views MainWindow's edit control shows.
#pragma once

#include "base/result.h"
#include "base/text.h"

namespace orv {

// ListLines [On|Off]: without a word, shows the recent lines; with one,
// turns the running thread's line history on or off.
Result list_lines_command(StringView word);
// ListVars: shows the running function's statics and locals, then the globals.
Result list_vars_command();

// The two views as the menu shows them.
void show_lines_view();
void show_vars_view();

}  // namespace orv
