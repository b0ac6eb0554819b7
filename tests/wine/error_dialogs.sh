#!/usr/bin/env bash
# Error dialogs of the real Windows program: a run-time error or an
# unhandled exception shows a message box and the program waits for it; once
# it is answered the thread (or the program) ends. A load error shows its own
# box when /ErrorStdOut is not given.
source "$(dirname "$0")/scenario.lib" errors

# Reads the visible box's text, compares it, and presses its OK button.
answer() {  # name, expected text
  local text
  text=$(drive dialog "$1.exe" 10000 | tr -d '\r')
  [ "$text" = "$2" ]; check "$1: dialog text" $? $'got:\n'"$text"
  drive click "$1.exe" 1 5000; check "$1: OK pressed" $?
}

T=$'\t'

# A text thrown and never caught is the message; the program exits after it,
# with code 2: a failed run.
pack throw $'FileAppend, before, *\nThrow "boom"\nFileAppend, never, *'
start throw
answer throw "Error: boom

${T}Line#
${T}001: FileAppend,before,*
--->${T}002: Throw,\"boom\"
${T}003: FileAppend,never,*
${T}003: Exit
${T}003: Exit
${T}003: Exit

The thread has exited."
finish throw 2 before

# A command that rejects its parameter at run time.
pack command $'mode := "Sometimes"\nStringCaseSense, %mode%\nFileAppend, never, *'
start command
answer command "Error: Parameter #1 invalid.

Specifically: Sometimes

${T}Line#
${T}001: mode := \"Sometimes\"
--->${T}002: StringCaseSense,%mode%
${T}003: FileAppend,never,*
${T}003: Exit
${T}003: Exit
${T}003: Exit

The current thread will exit."
finish command 2 ""

# In a resident script the error ends only the thread: the program stays
# until it is asked to exit.
pack resident $'#Persistent\nThrow 5'
start resident
answer resident "Error: Unhandled exception.

Specifically: 5

${T}Line#
--->${T}002: Throw,5
${T}002: Exit
${T}002: Exit
${T}002: Exit

The thread has exited."
drive wait-window Orvanta resident.exe 5000; check "resident: still running after the error" $?
drive post Orvanta resident.exe 0x111 65405 0 >/dev/null   # its menu's Exit
finish resident 0 ""

# A native call that wrote into the text every empty variable shares: the
# program cannot be trusted any more, says so, and exits with 2.
pack capacity $'empty := ""\nFileAppend, before, *\nDllCall("wsprintfW", "Str", empty, "Str", "x", "CDecl")\nFileAppend, never, *'
start capacity
answer capacity "Critical Error: This DllCall requires a prior VarSetCapacity. The program is now unstable and will exit.

${T}Line#
${T}001: empty := \"\"
${T}002: FileAppend,before,*
--->${T}003: DllCall(\"wsprintfW\", \"Str\", empty, \"Str\", \"x\", \"CDecl\")
${T}004: FileAppend,never,*
${T}004: Exit
${T}004: Exit
${T}004: Exit

For more details, read the documentation for #Warn."
finish capacity 2 before

# A load error: the line's number and text, and the program exits with 2
# without running any line.
pack load $'FileAppend, never, *\nthis is not a command'
start load
answer load "Error at line 2.

Line Text: this is not a command
Error: This line does not contain a recognized action.

The program will exit."
finish load 2 ""

echo "error dialogs: $passed passed, $failed failed"
[ "$failed" = 0 ]
