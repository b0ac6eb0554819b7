// The error reporters. Every error the program detects is reported through
// one of these, in the program's own formats, and the reporter returns
// ResultFailed so that callers can pass it straight on.
#pragma once

#include "base/result.h"
#include "base/text.h"

namespace orv {

struct ScriptProgram;

// An error while loading: loading stops and the process ends with code 2.
// `extra` is normally the text of the offending line.
Result load_error(const ScriptProgram& program, StringView message, StringView extra = {});

struct ScriptLine;

// An error at a known line while the script runs: the thread ends.
Result line_error(const ScriptProgram& program, const ScriptLine* line, StringView message, StringView extra = {});

// An error while the script runs, at the running thread's current line (or
// as a load error when no line runs yet).
Result report_runtime_error(StringView message, StringView extra = {});

// Formats "NAME (LINE) : ==> MESSAGE\n" and the "Specifically" line: the form
// errors take on standard output with /ErrorStdOut.
String format_console_error(StringView file, uint32_t line, StringView message, StringView extra);

}  // namespace orv
