// The producers behind the built-in variable table, one per family of
// names, and the helpers they write their values with.
//
// A producer is called with a destination or none: without one it returns
// the length the value needs (never less than the write will take), with
// one it writes the value and its terminator and returns the real length.
// Values that may change between the two calls (ticks, the caret, the
// cursor) answer the length query with an upper bound.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/text.h"
#include "runtime/variable.h"

namespace orv {

// The name without its "A_" prefix (the plain names as they are).
StringView builtin_suffix(const Variable& var);

size_t put_text(char16_t* dest, StringView text);
size_t put_int(char16_t* dest, int64_t value);
// A value that may have changed by the time it is written: the length query
// answers `bound`, which the written text must not exceed.
size_t put_changing_text(char16_t* dest, StringView text, size_t bound);
size_t put_changing_int(char16_t* dest, int64_t value);
size_t put_on_off(char16_t* dest, bool on);

// True, False, Null, A_Space, A_Tab and the fixed facts (A_PtrSize ...).
size_t produce_constant(char16_t* dest, const Variable& var);

// Time: builtin_vars_time.cpp.
size_t produce_date_part(char16_t* dest, const Variable& var);
size_t produce_date_name(char16_t* dest, const Variable& var);
size_t produce_now(char16_t* dest, const Variable& var);
size_t produce_tick_count(char16_t* dest, const Variable& var);
size_t produce_idle_time(char16_t* dest, const Variable& var);

// The running thread's position and loops: builtin_vars_loop.cpp.
size_t produce_loop_index(char16_t* dest, const Variable& var);
size_t produce_loop_item(char16_t* dest, const Variable& var);
size_t produce_this_routine(char16_t* dest, const Variable& var);
size_t produce_line(char16_t* dest, const Variable& var);

// The running thread's settings: builtin_vars_thread.cpp.
size_t produce_batch_lines(char16_t* dest, const Variable& var);
size_t produce_title_match(char16_t* dest, const Variable& var);
size_t produce_on_off_setting(char16_t* dest, const Variable& var);
size_t produce_string_case_sense(char16_t* dest, const Variable& var);
size_t produce_number_format(char16_t* dest, const Variable& var);
size_t produce_delay(char16_t* dest, const Variable& var);
size_t produce_coord_mode(char16_t* dest, const Variable& var);
size_t produce_send_mode(char16_t* dest, const Variable& var);
size_t produce_file_encoding(char16_t* dest, const Variable& var);
size_t produce_reg_view(char16_t* dest, const Variable& var);
size_t produce_thread_state(char16_t* dest, const Variable& var);
size_t produce_last_error(char16_t* dest, const Variable& var);
size_t produce_event_info(char16_t* dest, const Variable& var);

// Hotkeys, menus, GUI events, the tray icon and the exit: builtin_vars_events.cpp.
size_t produce_hotkey(char16_t* dest, const Variable& var);
size_t produce_hotkey_time(char16_t* dest, const Variable& var);
size_t produce_menu_item(char16_t* dest, const Variable& var);
size_t produce_gui_event(char16_t* dest, const Variable& var);
size_t produce_tray_icon(char16_t* dest, const Variable& var);
size_t produce_exit_reason(char16_t* dest, const Variable& var);

// The program, the script and the system: builtin_vars_system.cpp.
size_t produce_install_dir(char16_t* dest, const Variable& var);
size_t produce_module(char16_t* dest, const Variable& var);
size_t produce_address(char16_t* dest, const Variable& var);
size_t produce_script_file(char16_t* dest, const Variable& var);
size_t produce_directory(char16_t* dest, const Variable& var);
size_t produce_special_folder(char16_t* dest, const Variable& var);
size_t produce_system_fact(char16_t* dest, const Variable& var);
size_t produce_screen(char16_t* dest, const Variable& var);
size_t produce_caret(char16_t* dest, const Variable& var);

// "WIN_7" and its kin for the versions that have such a name, else
// "major.minor.build".
String os_version_text(uint32_t major, uint32_t minor, uint32_t build, bool windows);

}  // namespace orv
