#!/usr/bin/env bash
# The control commands on real controls: the test driver's window (an Edit,
# two buttons, a combo box and a list box, which report the notifications
# they send) and the Edit of Wine's own Notepad, both in other processes.
# Controls are named by ClassNN, text and handle; they are read, changed,
# chosen, moved, focused and clicked, and sent and posted messages.
source "$(dirname "$0")/scenario.lib" controls

(cd "$work" && TMPDIR=$ORV_WINE_TMPDIR timeout 60 "$ORV_WINE" "$OLDPWD/$driver" window OrvTestWindow "Orv Test Controls" \
  >"$work/form.win" 2>/dev/null) &
form_pid=$!
(cd "$work" && TMPDIR=$ORV_WINE_TMPDIR timeout 60 "$ORV_WINE" notepad >/dev/null 2>&1) &
notepad_pid=$!

pack controls 'out(text) {
  FileAppend, %text%`n, *
}
WinWait, Orv Test Controls, , 20
WinGet, names, ControlList
StringReplace, names, names, `n, %A_Space%, All
out("controls " names)
ControlSetText, Edit1, hello
ControlGetText, t, Edit1
out("text " t " " ErrorLevel)
ControlGetText, t, Edit9
out("missing [" t "] " ErrorLevel)
ControlGet, h, Hwnd, , Edit1
ControlGetText, t, orv_id %h%
out("by handle " t)
ControlGet, c, Checked, , Agree
Control, Check, , Agree
ControlGet, c2, Checked, , Button2
out("checked " c c2 " " ErrorLevel)
ControlGet, items, List, , ComboBox1
StringReplace, items, items, `n, `,, All
Control, ChooseString, gre, ComboBox1
ControlGet, choice, Choice, , ComboBox1
ControlGet, n, FindString, blue, ComboBox1
out("combo " items " " choice " " n)
Control, Choose, 9, ComboBox1
out("choose past the end " ErrorLevel)
Control, Add, three, ListBox1
Control, Delete, 1, ListBox1
Control, Choose, 2, ListBox1
ControlGet, items, List, , ListBox1
StringReplace, items, items, `n, `,, All
ControlGet, choice, Choice, , ListBox1
out("list " items " " choice)
Control, Hide, , ListBox1
ControlGet, v, Visible, , ListBox1
Control, Show, , ListBox1
Control, Disable, , Button1
ControlGet, e, Enabled, , Button1
Control, Enable, , Button1
ControlGet, e2, Enabled, , Button1
out("visible " v " enabled " e e2)
ControlGet, before, Style, , Edit1
Control, Style, +0x800, Edit1
ControlGet, after, Style, , Edit1
out("style " ((after ^ before) = 0x800))
ControlMove, Edit1, 30, 70, 180, 22
ControlGetPos, x, y, w, hh, Edit1
out("pos " x " " y " " w " " hh)
ControlFocus, Edit1
ControlGetFocus, f
out("focus " f " " ErrorLevel)
StatusBarGetText, s1
StatusBarGetText, s2, 2
out("status " s1 " | " s2 " " ErrorLevel)
ControlClick, Press me
out("click " ErrorLevel)
StatusBarWait, Pressed, 10
out("status wait " ErrorLevel)
StatusBarWait, Never, 0.2
out("status time-out " ErrorLevel)
StatusBarGetText, s1, 1, Orv No Such Window
out("no window " ErrorLevel)
ControlClick, Edit1, , , Bogus
out("bad button " ErrorLevel)
SendMessage, 0x0E, 0, 0, Edit1
out("length " ErrorLevel)
SendMessage, 0x0E, 0, 0, Edit9
out("send to nothing " ErrorLevel)
PostMessage, 0x0E, 0, 0, Edit1
out("post " ErrorLevel)
PostMessage, 0x0E, 0, 0, , orv_id 0
out("post to nothing " ErrorLevel)
WinWait, orv_exe notepad.exe, , 20
SetTitleMatchMode, 2
Control, EditPaste, pasted, Edit1, Notepad
ControlGetText, t, Edit1, Notepad
out("notepad paste " t)
ControlSetText, Edit1, first`r`nsecond line, Notepad
ControlGet, n, LineCount, , Edit1, Notepad
ControlGet, l, Line, 2, Edit1, Notepad
out("notepad lines " n " [" l "]")
ControlGet, l, Line, 3, Edit1, Notepad
out("line past the end " ErrorLevel)
WinKill, Notepad
WinClose, Orv Test Controls
WinWaitClose, Orv Test Controls, , 10
out("closed " ErrorLevel)'
start controls
finish controls 0 "controls Edit1 Button1 Button2 ComboBox1 ListBox1 msctls_statusbar321
text hello 0
missing [] 1
by handle hello
checked 01 0
combo red,green,blue green 3
choose past the end 1
list two,three three
visible 0 enabled 01
style 1
pos 30 70 180 22
focus Edit1 0
status Ready | Part two 0
click 0
status wait 0
status time-out 1
no window 1
bad button 1
length 5
send to nothing FAIL
post 0
post to nothing 1
notepad paste pasted
notepad lines 2 [second line]
line past the end 1
closed 0"
wait "$form_pid"
[ "$(tr -d '\r' <"$work/form.win")" = $'hello\nagree\ncombo\nlist\npressed' ]
check "the controls told their window" $? "got: $(cat "$work/form.win")"
wait "$notepad_pid" 2>/dev/null

# WinSet on another process's window, read back with WinGet. WinMinimizeAll
# is left out: it would reach the windows of any other test on the display.
(cd "$work" && TMPDIR=$ORV_WINE_TMPDIR timeout 60 "$ORV_WINE" "$OLDPWD/$driver" window OrvTestWindow "Orv Test Looks" \
  >/dev/null 2>&1) &
looks_pid=$!
pack looks 'out(text) {
  FileAppend, %text%`n, *
}
WinWait, Orv Test Looks, , 20
WinSet, AlwaysOnTop, On
WinGet, on, ExStyle
WinSet, AlwaysOnTop, Toggle
WinGet, off, ExStyle
out("on top " ((on & 8) != 0) ((off & 8) != 0))
WinSet, Transparent, 150
WinGet, alpha, Transparent
WinSet, TransColor, Red 200
WinGet, color, TransColor
WinGet, alpha2, Transparent
WinSet, Transparent, Off
WinSet, TransColor, Off
WinGet, alpha3, Transparent
out("looks " alpha " " color " " alpha2 " [" alpha3 "]")
WinSet, Style, -0x20000
WinGet, style, Style
out("style " ErrorLevel " " ((style & 0x20000) = 0))
WinSet, Style, 0xZZ
out("bad style " ErrorLevel)
WinSet, Disable
WinGet, style, Style
WinSet, Enable
WinGet, style2, Style
out("disabled " ((style & 0x8000000) != 0) ((style2 & 0x8000000) != 0))
WinSet, Region, 0-0 W100 H100 E
out("region " ErrorLevel)
WinSet, Region, 0-0 1-1
out("bad region " ErrorLevel)
WinSet, Region
out("region off " ErrorLevel)
WinSet, Redraw
WinSet, Bottom
WinSet, Top
WinSet, Style, +0x20000, Orv No Such Window
out("no window " ErrorLevel)
WinClose
WinWaitClose, , , 10
out("closed " ErrorLevel)'
start looks
finish looks 0 "on top 10
looks 150 0xFF0000 200 []
style 0 1
bad style 1
disabled 10
region 0
bad region 1
region off 0
no window 1
closed 0"
wait "$looks_pid"

echo "controls: $passed passed, $failed failed"
[ "$failed" = 0 ]
