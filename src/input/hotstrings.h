// The script's hotstrings at run time: defined from its hotstring lines
// when it loads, matched by the keyboard hook, and erased and replaced (or
// launched as threads) on the main thread when the hook reports them.
#pragma once

#include <cstdint>

#include "base/result.h"

namespace orv {

struct ScriptProgram;
class HotstringTable;

// Defines the hotstrings the script's lines declare and hands them to the
// hook; an error is a load error at the hotstring's line.
Result load_hotstrings(ScriptProgram& program);

// Whether the script has hotstrings (they need the keyboard hook).
bool have_hotstrings();

// The main thread's part of a hotstring the hook reported (the message's
// wParam and lParam).
void launch_hotstring(uintptr_t wparam, intptr_t lparam);

// For tests: the table of the running script.
HotstringTable& script_hotstrings();

}  // namespace orv
