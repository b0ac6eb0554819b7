#!/usr/bin/env bash
# Hotkeys as users meet them: real keys typed with xdotool (not injected)
# fire the hotkeys the system registered for the program; ListHotkeys shows
# how each is served; the Hotkey command adds and turns off hotkeys while
# the program runs; a hotkey that fires too fast asks whether to go on.
source "$(dirname "$0")/scenario.lib" hotkeys

# Waits until the program's output holds `line` (a whole line).
wait_line() { wait_file_line "$work/$1.out" "$2" "$3"; }  # name, line, timeout-s

key() { xdotool key "$@"; }

# Registered hotkeys: the report shows them as the system's, and a real F9
# runs its label with A_ThisHotkey as written.
pack reg 'ListHotkeys
FileAppend, ready`n, *
return
F9::
FileAppend, fired %A_ThisHotkey%`n, *
ExitApp 7
+F10::return'
start reg
wait_line reg ready 10; check "reg: ready" $?
report=$(drive edit-text Orvanta reg.exe 5000 | tr -d '\r')
dashes=$(printf '%067d' 0 | tr 0 -)
expected=$(printf 'Type\tOff?\tLevel\tRunning\tName\n%s\nreg\t\t\t\tF9\nreg\t\t\t\t+F10' "$dashes")
[ "$report" = "$expected" ]; check "reg: ListHotkeys" $? "got: $report"
key F9
finish reg 7 $'ready\nfired F9'

# The Hotkey command: a hotkey made at run time fires, then turns itself
# off, so the second F8 does nothing and F7 ends the program.
pack runtime 'Hotkey, F8, Got
Hotkey, F7, Done
ListHotkeys
FileAppend, ready`n, *
return
Got:
n++
FileAppend, got %n%`n, *
Hotkey, F8, Off
return
Done:
ExitApp 8'
start runtime
wait_line runtime ready 10; check "runtime: ready" $?
key F8
wait_line runtime "got 1" 5; check "runtime: F8 fired" $?
key F8
key F7
finish runtime 8 $'ready\ngot 1'

# A hotkey that fires more than 70 times in two seconds asks whether the
# script should go on; No ends it.
pack rate 'ListHotkeys
FileAppend, ready`n, *
return
F6::return'
start rate
wait_line rate ready 10; check "rate: ready" $?
key --delay 5 $(printf 'F6 %.0s' $(seq 80))
text=$(drive dialog rate.exe 10000 | tr -d '\r')
[[ "$text" == "71 hotkeys have been received in the last "*"ms."* ]]; check "rate: question" $? "got: $text"
[[ "$text" == *"Do you want to continue?"* ]]; check "rate: asks to continue" $? "got: $text"
drive click rate.exe 7 5000; check "rate: No pressed" $?
finish rate 0 ready

echo "hotkeys: $passed passed, $failed failed"
[ "$failed" = 0 ]
