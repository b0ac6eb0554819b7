// How deep script code may nest on the native stack. Recursion in a script
// (a function calling itself, a Gosub to its own label, a base chain that
// loops back on itself) nests frames of the engine and the evaluator on the
// stack of the script's thread. Below a reserve kept free at the bottom of
// that stack, a further nested entry fails with an error message instead of
// overflowing the stack; the reserve holds what can nest between two such
// entries (blocks, whose depth the loader bounds, and one line's work).
#pragma once

#include <cstdint>

namespace orv {

// Measures the calling thread's stack: from now on it is the thread that
// runs the script. Until then (and where the system cannot tell) nothing is
// checked.
void use_this_thread_stack();

extern uintptr_t g_stack_floor;

// Whether the running code has come down to the reserve.
inline bool stack_exhausted() { return reinterpret_cast<uintptr_t>(__builtin_frame_address(0)) < g_stack_floor; }

}  // namespace orv
