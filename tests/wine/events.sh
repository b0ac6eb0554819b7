#!/usr/bin/env bash
# Events reaching a resident program on Windows: a message another program
# posts runs the OnMessage monitor; timers keep running while an error box
# of the program is open (the box's own loop hands the wake timer to
# MainWindow); clipboard changes, the Pause menu item, and the messages that
# end the program with their exit reasons.
source "$(dirname "$0")/scenario.lib" events

# A posted message runs the monitor with wParam, lParam, the message number
# and the window; a message nobody watches does nothing.
pack monitor '#Persistent
OnMessage(0x5555, "Got")
OnMessage(0x5556, "Other", 0)
FileAppend, ready`n, *
return
Got(wParam, lParam, msg, hwnd) {
  FileAppend, % wParam " " lParam " " Format("0x{:X}", msg) " " (hwnd = A_ScriptHwnd) "`n", *
  if (wParam = 2)
    ExitApp 3
}
Other() {
  FileAppend, never`n, *
}'
start monitor
drive wait-window Orvanta monitor.exe 10000; check "monitor: window up" $?
drive post Orvanta monitor.exe 0x5556 0 0; check "monitor: posted unwatched" $?
drive post Orvanta monitor.exe 0x5555 1 7; check "monitor: posted 1" $?
drive post Orvanta monitor.exe 0x5555 2 9; check "monitor: posted 2" $?
finish monitor 3 $'ready\n1 7 0x5555 1\n2 9 0x5555 1'

# A timer ticks on under an error box: the box's own loop hands the wake
# timer to MainWindow. Once the box is answered its thread ends; the timer
# goes on until it ends the program.
pack underbox 'SetTimer, Tick, 20
Sleep 150
boxed := true
x := "Sometimes"
StringCaseSense, %x%
return
Tick:
ticks++
if (boxed) {
  under++
  if (under = 3)
    FileAppend, ticking under the box`n, *
}
if (ticks = 250)
  ExitApp 4
return'
start underbox
drive dialog underbox.exe 10000 >/dev/null; check "underbox: box shown" $?
sleep 1
drive click underbox.exe 1 5000; check "underbox: OK pressed" $?
finish underbox 4 "ticking under the box"

# A change of the clipboard runs the OnClipboardChange label, then the
# registered functions, with what the clipboard holds (1: text).
pack clip '#Persistent
OnClipboardChange("Changed")
Clipboard := "hello"
return
OnClipboardChange:
FileAppend, label %A_EventInfo% %ErrorLevel%`n, *
return
Changed(kind) {
  FileAppend, % "function " kind " " Clipboard "`n", *
  ExitApp 5
}'
start clip
finish clip 5 $'label 1 1\nfunction 1 hello'

# A paused thread waits before its next line, timers wait with it, and the
# Pause item of MainWindow's menu lets it go on.
pack paused 'SetTimer, Tick, 10
Sleep 150
Critical
before := ticks
Pause
FileAppend, % "resumed, ticks while paused: " (ticks - before) "`n", *
ExitApp 6
Tick:
ticks++
return'
start paused
drive wait-window Orvanta paused.exe 10000; check "paused: window up" $?
sleep 1
drive post Orvanta paused.exe 0x111 65403 0; check "paused: menu posted" $?
finish paused 6 "resumed, ticks while paused: 0"

# Messages that end the program give the exit callbacks their reason:
# WM_CLOSE (WinClose) is "Close"; the program's own reload and replace
# requests are "Reload" and "Single".
for case in "0x10 Close" "0x406 Reload" "0x407 Single"; do
  set -- $case
  name=reason_$2
  pack "$name" '#Persistent
OnExit("Bye")
return
Bye(reason) {
  FileAppend, %reason%`n, *
}'
  start "$name"
  drive wait-window Orvanta "$name.exe" 10000; check "$name: window up" $?
  drive post Orvanta "$name.exe" "$1" 0 0; check "$name: posted" $?
  finish "$name" 0 "$2"
done

echo "events: $passed passed, $failed failed"
[ "$failed" = 0 ]
