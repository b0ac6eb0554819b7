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

# Hotkeys only the hook can serve, typed into another program's window
# (Wine's Notepad): a prefix used alone still types, "~" fires and types,
# a release hotkey, a wildcard that ignores Control, the wheel with its
# notches, a variant that holds only while a variable says so, and one
# that holds only while Notepad is the active window.
pack hook 'on := 0
ListHotkeys
FileAppend, ready`n, *
return
a & b::FileAppend, a&b`n, *
~x::FileAppend, x passed`n, *
F2 Up::
on := !on
FileAppend, F2 up %on%`n, *
return
*c::FileAppend, c any`n, *
WheelDown::FileAppend, wheel %A_EventInfo%`n, *
#If on
j::FileAppend, j while on`n, *
#IfWinActive orv_class Notepad
k::FileAppend, k in Notepad`n, *
#IfWinActive
F4::ExitApp 9'
start hook
wait_line hook ready 10; check "hook: ready" $?
report=$(drive edit-text Orvanta hook.exe 5000 | tr -d '\r' | tail -n +3)
expected=$(printf 'k-hook\t\t\t\ta & b\nk-hook\t\t\t\t~x\nk-hook\t\t\t\tF2 Up\nk-hook\t\t\t\t*c\nm-hook\t\t\t\tWheelDown\nk-hook\t\t\t\tj\nk-hook\t\t\t\tk\nreg\t\t\t\tF4')
[ "$report" = "$expected" ]; check "hook: ListHotkeys" $? "got: $report"
(orv_wine notepad >/dev/null 2>&1 &)
drive wait-active Notepad "" 10000; check "hook: notepad active" $?
x_focus_on "Untitled - Notepad" 10; check "hook: notepad has the X focus" $?
key a
xdotool keydown a key b keyup a
key x ctrl+c j F2
wait_line hook "F2 up 1" 5; check "hook: F2 released" $?
key j k
xdotool click 5
xdotool type hello
wait_line hook "wheel 1" 5; check "hook: wheel" $?
typed=$(drive edit-text Notepad "" 5000 | tr -d '\r')
[ "$typed" = "axjhello" ]; check "hook: what reached Notepad" $? "got: $typed"
key F4
finish hook 9 $'ready\na&b\nx passed\nc any\nF2 up 1\nj while on\nk in Notepad\nwheel 1'
pkill -f notepad.exe

# Key state as the hook sees it: KeyWait for a press and a release, the
# logical and physical state of Shift, a wait that times out, and the
# KeyHistory rows of the keys typed.
pack state '#InstallKeybdHook
FileAppend, ready`n, *
KeyWait, Shift, D T10
FileAppend, % "shift down " ErrorLevel " " GetKeyState("Shift") GetKeyState("Shift", "P") GetKeyState("LShift") "`n", *
KeyWait, Shift, T10
FileAppend, % "shift up " ErrorLevel " " GetKeyState("Shift") "`n", *
KeyWait, F11, D T0.2
FileAppend, timeout %ErrorLevel%`n, *
KeyHistory
FileAppend, shown`n, *
return
F4::ExitApp 10'
start state
wait_line state ready 10; check "state: ready" $?
xdotool keydown shift
wait_line state "shift down 0 111" 5; check "state: shift down" $?
xdotool keyup shift
wait_line state shown 5; check "state: history shown" $?
history=$(drive edit-text Orvanta state.exe 5000 | tr -d '\r')
grep -q $'^A0  02A\t \td\t' <<<"$history"; check "state: LShift down row" $? "got: $history"
grep -q $'^A0  02A\t \tu\t' <<<"$history"; check "state: LShift up row" $? "got: $history"
key F4
finish state 10 $'ready\nshift down 0 111\nshift up 0 0\ntimeout 1\nshown'

# Suspend: hotkeys stop firing, except one whose first line is Suspend,
# which turns them back on. (A window of the program's own has the focus:
# keys typed with nothing focused reach no Wine window at all. Not F10: while
# suspended it would reach that window, whose menu bar its release opens,
# and no hotkey thread starts while a menu is open.)
pack suspend 'ListHotkeys
FileAppend, ready`n, *
return
F9::
Suspend
FileAppend, F9 %A_IsSuspended%`n, *
return
F6::FileAppend, F6 %A_IsSuspended%`n, *
~F11::FileAppend, F11`n, *
F12::ExitApp 11'
start suspend
wait_line suspend ready 10; check "suspend: ready" $?
key F6
wait_line suspend "F6 0" 5; check "suspend: F6 fires" $?
key F9
wait_line suspend "F9 1" 5; check "suspend: suspended" $?
key F6 F11 F9
wait_line suspend "F9 0" 5; check "suspend: resumed" $?
key F11
wait_line suspend F11 5; check "suspend: F11 after resuming" $?
key F12
finish suspend 11 $'ready\nF6 0\nF9 1\nF9 0\nF11'

# A hotkey whose thread still runs ignores a second press; with
# #MaxThreadsBuffer the press waits and runs once the thread is done.
# (The threads wait for F7: releasing F10 would open the menu bar of the
# main window that ListHotkeys shows.)
pack threads 'ListHotkeys
FileAppend, ready`n, *
return
F9::
n++
FileAppend, F9 start %n%`n, *
KeyWait, F7, D T10
FileAppend, F9 held %n%`n, *
KeyWait, F7, T10
FileAppend, F9 end %n%`n, *
return
#MaxThreadsBuffer On
F8::
m++
FileAppend, F8 start %m%`n, *
if (m = 1)
{
  KeyWait, F7, D T10
  FileAppend, F8 held`n, *
  KeyWait, F7, T10
}
FileAppend, F8 end %m%`n, *
return
F12::ExitApp 12'
start threads
wait_line threads ready 10; check "threads: ready" $?
key F9
wait_line threads "F9 start 1" 5; check "threads: F9 runs" $?
key F9
xdotool keydown F7
wait_line threads "F9 held 1" 5; check "threads: F9 waits" $?
xdotool keyup F7
wait_line threads "F9 end 1" 5; check "threads: F9 ends" $?
key F8
wait_line threads "F8 start 1" 5; check "threads: F8 runs" $?
key F8
xdotool keydown F7
wait_line threads "F8 held" 5; check "threads: F8 waits" $?
xdotool keyup F7
wait_line threads "F8 end 2" 5; check "threads: the buffered F8 ran after" $?
key F12
finish threads 12 $'ready\nF9 start 1\nF9 held 1\nF9 end 1\nF8 start 1\nF8 held\nF8 end 1\nF8 start 2\nF8 end 2'

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
