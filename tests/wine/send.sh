#!/usr/bin/env bash
# Keys and clicks the program makes, landing in the driver's test windows
# (other processes) and read back from outside with WM_GETTEXT: brace
# forms and counts, raw text, Unicode beyond the layout and beyond U+FFFF,
# {Blind} while xdotool holds Shift, ControlSend to a window that is not
# active, a click judged by the button's own report, and SendPlay, which
# Wine never plays back: its text still arrives, and the keyboard still
# works afterwards. The program runs with its keyboard hook, which must not
# count as another program's; with it, a modifier the user lets go of
# during a long send is not pressed again at its end.
source "$(dirname "$0")/scenario.lib" send

start_window() {  # title, output file
  (cd "$work" && TMPDIR=$ORV_WINE_TMPDIR timeout 90 "$ORV_WINE" "$OLDPWD/$driver" window OrvTestWindow "$1" \
    >"$work/$2" 2>/dev/null) &
}
start_window "Orv Test Send" front.win
front_pid=$!
start_window "Orv Test Back" back.win
back_pid=$!

# Polls the Edit of a test window until it holds `expected`.
wait_edit() {  # title, expected, timeout-s
  local deadline=$((SECONDS + $3))
  while :; do
    got=$(drive edit-text OrvTestWindow "$1" 3000 | tr -d '\r')
    [ "$got" = "$2" ] && return 0
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
}
wait_line() { wait_file_line "$work/send.out" "$1" "$2"; }  # line, timeout-s
go() { touch "$work/go$1"; }

pack send '#InstallKeybdHook
out(text) {
  FileAppend, %text%`n, *
}
; Tells the shell a step is done and waits for its word to go on.
step(n) {
  out("step " n)
  Loop, 300 {
    IfExist, go%n%
      return
    Sleep, 50
  }
  out("no go " n)
  ExitApp 3
}
; The display is shared: another program may take the front between steps.
front() {
  WinActivate, Orv Test Send
  WinWaitActive, Orv Test Send, , 10
  return ErrorLevel
}
SetTitleMatchMode, 3
WinWait, Orv Test Back, , 20
WinMove, 600, 400
WinWait, Orv Test Send, , 20
out("active " front())
Send, ab{Left}X{End}{a 3}+b{{}{}}{Space 2}{U+20AC}{U+1F600}
step(1)
ControlSetText, Edit1
front()
SendInput, {Raw}^a{x}! €
SendInput, {U+1F600}{U+00E9}
step(2)
ControlSetText, Edit1
step(3)
KeyWait, Shift, D T5
out("shift " ErrorLevel)
front()
Send, {Blind}ab
Send, cd
step(4)
ControlSetText, Edit1
ControlSend, Edit1, back{Left}{Del}{U+20AC}{U+1F600}, Orv Test Back
out("control send " ErrorLevel)
IfWinActive, Orv Test Send
  out("front still active")
step(5)
front()
CoordMode, Mouse, Screen
WinGetPos, wx, wy
ControlGetPos, x, y, w, h, Button1
Click, % (wx + x + w // 2) " " (wy + y + h // 2)
StatusBarWait, Pressed, 5
out("click " ErrorLevel)
MouseGetPos, , , under, control
out("under " (under = WinExist("Orv Test Send")) " " control)
ControlSetText, Edit1
front()
ControlFocus, Edit1  ; the click left the focus on the button
SendPlay, play{U+20AC}
step(6)
KeyWait, Control, D T5
out("control " ErrorLevel)
front()
SetKeyDelay, 300
Send, {F24 8}
out("after the long send " GetKeyState("Control") GetKeyState("Control", "P"))
WinClose, Orv Test Back
WinClose, Orv Test Send
WinWaitClose, Orv Test Send, , 10
out("closed " ErrorLevel)'
start send

wait_line "step 1" 20; check "front window active" $?
wait_edit "Orv Test Send" "aXbaaaB{}  €😀" 5; check "Send: brace forms, counts, Unicode" $? "got: $got"
go 1
wait_line "step 2" 10
wait_edit "Orv Test Send" "^a{x}! €😀é" 5; check "SendInput: raw text and Unicode" $? "got: $got"
go 2
wait_line "step 3" 10
xdotool keydown shift
go 3
wait_line "step 4" 10
wait_edit "Orv Test Send" "ABcd" 5; check "Send: {Blind} keeps the user's Shift, Send lets it go" $? "got: $got"
xdotool keyup shift
go 4
wait_line "step 5" 10
wait_edit "Orv Test Back" "bac€😀" 5; check "ControlSend to a window that is not active" $? "got: $got"
go 5
wait_line "step 6" 15; check "SendPlay returns" $?
wait_edit "Orv Test Send" "play€" 5; check "SendPlay: the text arrives" $? "got: $got"
xdotool type ok
wait_edit "Orv Test Send" "play€ok" 5; check "SendPlay: the keyboard works afterwards" $? "got: $got"
# Control goes down, the program starts a send of a few seconds, and
# Control comes up while it runs.
xdotool keydown ctrl
go 6
wait_line "control 0" 10; check "Control held" $?
xdotool keyup ctrl
finish send 0 "active 0
step 1
step 2
step 3
shift 0
step 4
control send 0
front still active
step 5
click 0
under 1 Button1
step 6
control 0
after the long send 00
closed 0"
wait "$front_pid"
grep -qx pressed <(tr -d '\r' <"$work/front.win"); check "the click pressed the button" $? "got: $(cat "$work/front.win")"
wait "$back_pid" 2>/dev/null

# The tags of the program's own keys: at send level 0 they fire none of its
# hook hotkeys, at level 1 those of input level 0. Hotkeys run in order, so
# once F14's has run, F13's would have.
pack levels 'f13 := 0
Send, {F13}
SendLevel, 1
Send, {F14}
Loop, 250
  if (f14)
    break
  else
    Sleep, 20
FileAppend, % "level 0: " f13 "`n", *
Send, {F13}
Loop, 250
  if (f13)
    break
  else
    Sleep, 20
FileAppend, % "level 1: " f13 "`n", *
ExitApp
$F13::f13++
$F14::f14 := 1'
start levels
finish levels 0 "level 0: 0
level 1: 1"

echo "send: $passed passed, $failed failed"
[ "$failed" = 0 ]
