// The block pass: once the whole script has been read (closing Exit lines
// included), links every line to the construct that encloses it and to the
// lines and labels it jumps to, and checks the structure, so that the
// executor never searches the line list at run time. The first error is
// reported as a load error at the offending line and loading stops.
//
// The links, after a successful pass. "Loop line" means Loop, For or While;
// "if line" means any command of the if family (legacy comparisons, between,
// in, contains, is, the expression form and the IfWin/IfExist/IfInString/
// IfMsgBox commands). A field not mentioned for a kind is left as the parser
// made it (null for parent and related).
//
// parent, on every line: the line whose body this line belongs to. Inside a
// block it is the "{" of that block (the closing "}" included). A line that is
// the one-line body of an if, loop, else, Try, Catch or Finally line has that
// line as parent; when such a body is a block, its "{" has that line as
// parent and the lines inside have the "{". An else, Catch, Finally or Until
// that continues a construct has the same parent as the line that began the
// construct. Top-level lines, and the "{" of a function body defined at top
// level or in a class, have none; a function body defined inside a block has
// that block's "{" as parent. So the ancestors of a line, followed through
// parent, are the constructs it is nested in, innermost first; a line is
// inside a function when one of them is a function body "{" (attribute 1).
//
// related:
// - if line: the line after its body. That is the else line when the if has
//   an else; the line after the else body is then the else's related.
// - else: the line after its body.
// - loop line: the line after its body. For Loop and For this is the Until
//   line when the loop has one: a loop line's related is an Until only when
//   that Until is the loop's own termination test, and then the line after
//   the whole loop is the Until's next line. The Until line's related is
//   null. While never takes an Until.
// - Try: the line after its body (the Catch or Finally when there is one).
//   Catch: the line after its body (the Finally when there is one).
//   Finally: the line after its body.
// - "{": the line after the matching "}" (null only when "}" ends the list).
// - Goto, Gosub whose label is named as plain text: the label's line. Null
//   when the label is computed at run time.
// - Break, Continue, BreakIf, ContinueIf naming a loop (by label or by a
//   nesting count) other than the innermost loop that encloses the line: that
//   loop line. Null for the plain forms, for a parameter that names the
//   innermost loop (they are then plain), and for a target computed at run
//   time.
//
// attribute (only set here for these kinds; other kinds keep what the parser
// stored, such as 1 on the "{" of a function body and the loop kind of a
// Loop):
// - Goto, Gosub with a plain label: the Label.
// - OnExit with a plain label name; GroupAdd with a plain fourth (label)
//   parameter; SetTimer whose plain first parameter names a label; Hotkey
//   whose plain label parameter names a label: the Label. A label wins over
//   a function of the same name. A SetTimer or Hotkey that names a function
//   (script or built-in) keeps a null attribute and the function is looked up
//   by name when the line runs.
//
// leaves_function: set on a Gosub inside a function body whose plain label
// lies outside every function body; the executor then runs the subroutine
// with no current function, so that it sees the globals.
#pragma once

#include "base/result.h"
#include "runtime/script_program.h"

namespace orv {

// How many constructs may enclose a line (blocks, bodies of if, loops,
// Try ...). The engine runs nested constructs on nested native frames, so
// the depth is bounded where the script is read; deeper nesting fails to
// load with "This line is nested too deep.".
inline constexpr int kMaxNesting = 1000;

// Both passes over program.first_line ... last_line.
Result resolve_blocks(ScriptProgram& program);

}  // namespace orv
