// ListLines and ListVars: the views MainWindow's edit control shows.
#pragma once


namespace orv {

// The two views as the menu shows them.
void show_lines_view();
void show_vars_view();

}  // namespace orv
