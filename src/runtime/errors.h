// The error reporters. Every error the program detects is reported through
// one of these, in the program's own formats, and the reporter returns
// ResultFailed so that callers can pass it straight on.
#pragma once

#include <cstddef>

#include "base/result.h"
#include "base/text.h"

namespace orv {

struct ScriptProgram;
struct ScriptLine;

enum class ErrorKind : int { Error = 0, Warning = 1, Critical = 2, Continuable = 8 };

// An error while loading: loading stops and the process ends with code 2.
// `extra` is normally the text of the offending line. While a line runs,
// it is reported at that line instead.
Result load_error(const ScriptProgram& program, StringView message, StringView extra = {});

// An error at a known line while the script runs: the thread ends.
Result line_error(const ScriptProgram& program, const ScriptLine* line, StringView message, StringView extra = {});

// The same with a kind. Returns 0 for an error; the kind for a warning or a
// critical error; for a continuable error 8 when the user chose to go on,
// and 2 when they declined while loading (once the script runs, declining
// ends the program). Inside Try, errors and continuable errors become
// exceptions (see set_exception_maker) and 0 is returned.
int line_error(const ScriptProgram& program, const ScriptLine* line, StringView message, ErrorKind kind,
               StringView extra = {});

// An error while the script runs, at the running thread's current line (or
// as a load error when no line runs yet).
Result report_runtime_error(StringView message, StringView extra = {});

// The same for a command or function the script uses that this program does
// not provide: its name in quotes, after `lead` when one is given.
Result report_not_available(StringView name, StringView lead = {});

// Formats "NAME (LINE) : ==> MESSAGE\n" and the "Specifically" line: the form
// errors take on standard output with /ErrorStdOut.
String format_console_error(StringView file, uint32_t line, StringView message, StringView extra);

// The dialog text of an error: heading and message, the extra text, the
// lines around `line` (when given) and the footer, at most kMaxErrorText
// characters.
inline constexpr size_t kMaxErrorText = 8191;
String format_error_text(const ScriptProgram& program, ErrorKind kind, StringView message, StringView extra,
                         const ScriptLine* line, StringView footer);

// Errors inside Try become exception objects. The object model installs the
// maker, which makes the exception the thread's pending thrown value (with
// `line` as the throwing line) and returns ResultFailed; `what` empty means
// the failing line's command name. Without a maker, errors inside Try are
// shown like any other.
using ExceptionMaker = Result (*)(const ScriptLine* line, StringView message, StringView what, StringView extra);
void set_exception_maker(ExceptionMaker maker);
// ResultFailed either way: the exception is pending, or the error was shown.
Result throw_runtime_exception(const ScriptLine* line, StringView message, StringView what, StringView extra);

// A thread ended with a thrown value no Catch took, and the value is not an
// object: `value` is its text (numbers by the thread's formats) and `line`
// the line that threw it.
void show_unhandled_exception(const ScriptProgram& program, StringView value, const ScriptLine* line);
// The same for a value already reduced to a message and extra text (the
// object case reads them from the object's Message and Extra).
void show_unhandled_exception(const ScriptProgram& program, StringView message, StringView extra,
                              const ScriptLine* line);

}  // namespace orv
