// The KeyHistory view, as the menu shows it.
#pragma once

namespace orv {

void show_key_history_view();

}  // namespace orv
