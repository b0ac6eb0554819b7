// One call into native code as DllCall, a DynaToken and a #DllImport
// function make it: the arguments marshalled into slots (with the copies
// text needs), the call, the return value narrowed, the variables written
// back, ErrorLevel and A_LastError set.
#pragma once

#include "base/result.h"
#include "objects/dll_types.h"
#include "runtime/value.h"

namespace orv {

// Who makes the call: the name errors and the capacity check report.
enum class DllCaller : uint8_t { DllCall, DynaCall };

// Calls `address` with `args[i]` passed as `types[i]`; a missing argument
// passes 0 or the empty text. ResultDone with ErrorLevel set, whatever the
// call did; ResultFailed only when an error was reported.
Result make_dll_call(DllCaller caller, void* address, const DllType* types, ExprToken* args, int count,
                     DllType return_type, ExprToken& result);

// Sets ErrorLevel to a DllCall error code and leaves the result empty.
Result dll_call_failed(int code, ExprToken& result);

// The function parameter of DllCall and DynaCall: an address, or a name to
// look up (the library it loaded, if any, is the caller's to release).
// False with `error` set (-1, -3 or -4) when there is no function.
bool resolve_dll_function(const ExprToken& token, void*& address, void*& loaded_library, int& error);

// Reads a type parameter: its text, or for a variable whose contents are no
// type, the variable's name. False for neither.
bool dll_type_of(const ExprToken& token, DllType& out);

// Reports that this host cannot make native calls, for `name`.
Result report_no_native_code(StringView name);

}  // namespace orv
