#!/usr/bin/env bash
# Script windows as users meet them: a form with the basic controls, read
# from another process as a user would see it (the test driver lists the
# controls with their places, texts, checks and list items), worked from
# outside (texts set, buttons pressed, items chosen) and with real keys
# (xdotool): Tab moves the focus, Enter presses the default button, Escape
# and the close box reach their handlers. Each handler writes what it saw
# to events.txt.
source "$(dirname "$0")/scenario.lib" gui
# The form takes many steps; a loaded machine must not end it half-way.
start_timeout=120

events="$work/events.txt"
wait_event() { wait_file_line "$events" "$1" "${2:-5}"; }
# Waits until the events hold `line` `count` times.
wait_events() {  # line, count
  local deadline=$((SECONDS + 5))
  until [ "$(tr -d '\r' <"$events" | grep -cxF -- "$1")" = "$2" ]; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.05
  done
}
D() { drive "$@" | tr -d '\r'; }
# Keys for the window of that title: its X window gets the keyboard first,
# should another program's window have taken it.
keys_to() {  # title, xdotool key arguments...
  local t=$1; shift
  [ "$(xdotool getwindowfocus getwindowname 2>/dev/null)" = "$t" ] ||
    xdotool search --name "^$t\$" windowfocus 2>/dev/null
  x_focus_on "$t" 5
  xdotool key "$@"
}
# One field (from 1) of the control's line in the listing.
field() {  # ClassNN, field
  D controls "$title" | awk -F'\t' -v nn="$1" -v f="$2" '$1 == nn { print $f }'
}

title="Orvanta form"
pack form '#NoTrayIcon
Gui, +Resize
Gui, Add, Text,, Your name:
Gui, Add, Edit, vName gChanged w200
Gui, Add, Checkbox, vAgree gClicked, I agree
Gui, Add, DDL, vColor gPicked, Red|Green|Blue
Gui, Add, ListBox, vItems gListed r3, one|two|three
Gui, Add, Button, Default gGo w80, OK
Gui, Add, Button, x+10 gOnResize w80, Resize
Gui, Show, w300 h260, Orvanta form
report("shown")
return

report(s) {
  FileAppend, %s%`n, events.txt
}
Changed:
GuiControlGet, now,, Name
report("changed " A_Gui " " A_GuiControl " " A_GuiEvent " [" now "]")
return
Clicked:
report("clicked " A_GuiControl " " A_GuiEvent " " A_EventInfo)
return
Picked:
report("picked " A_GuiControl " " A_EventInfo)
return
Listed:
report("listed " A_GuiEvent " " A_EventInfo)
return
Go:
Gui, Submit, NoHide
report("submit " Name "|" Agree "|" Color "|" Items)
return
OnResize(hwnd, event, info) {
  GuiControlGet, own, Hwnd, Button3
  report("resize " event " " info " " (hwnd = own))
  Gui, Show, w200 h120
}
GuiSize:
report("size " A_EventInfo " " A_GuiWidth "x" A_GuiHeight)
return
GuiEscape:
report("escape " A_Gui)
return
GuiClose:
report("close " A_Gui)
ExitApp 3'
start form
drive wait-window OrvantaGUI "$title" 10000; check "form: window" $?
wait_event shown 10; check "form: auto-execute ran" $?
wait_event "size 0 300x260"; check "form: GuiSize after the first Show" $?
[ "$(D client "$title")" = "300 260" ]; check "form: client size as shown" $? "got: $(D client "$title")"

# The layout as the driver sees it: the margin and previous-control rules.
listing=$(D controls "$title")
echo "$listing" >"$work/listing.txt"
classes=$(cut -f1 <<<"$listing" | tr '\n' ' ')
[ "$classes" = "Static1 Edit1 Button1 ComboBox1 ListBox1 Button2 Button3 " ]; check "form: controls in order" $? "got: $classes"
read -r sx sy sw sh < <(awk -F'\t' '$1 == "Static1" { print $2, $3, $4, $5 }' <<<"$listing")
read -r ex ey ew eh < <(awk -F'\t' '$1 == "Edit1" { print $2, $3, $4, $5 }' <<<"$listing")
read -r b2x b2y b2w b2h < <(awk -F'\t' '$1 == "Button2" { print $2, $3, $4, $5 }' <<<"$listing")
read -r b3x b3y < <(awk -F'\t' '$1 == "Button3" { print $2, $3 }' <<<"$listing")
[ "$ex" = "$sx" ] && [ "$ew" = 200 ] && [ $((ey - sy - sh)) -eq "$sy" ]; check "form: the Edit goes one margin below the Text" $? "$sx,$sy ${sw}x$sh / $ex,$ey ${ew}x$eh"
[ "$b3x" = $((b2x + b2w + 10)) ] && [ "$b3y" -gt "$b2y" ]; check "form: x+10 places right of the previous button" $? "$b2x,$b2y / $b3x,$b3y"
[ "$(field ComboBox1 10)" = "Red|Green|Blue" ] && [ "$(field ListBox1 10)" = "one|two|three" ]; check "form: list items" $? "$listing"

# Real keys: the focus starts on the first control Tab reaches, Tab moves
# it on and Shift+Tab back.
x_focus_on "$title" 10; check "form: has the X focus" $?
[ "$(D focus-of "$title")" = Edit1 ]; check "form: the Edit has the focus" $? "got: $(D focus-of "$title")"
x_focus_on "$title" 5; xdotool type --delay 30 "Bob"
wait_event "changed 1 Name Normal [Bob]"; check "form: typed keys" $?
keys_to "$title" Tab
[ "$(D focus-of "$title")" = Button1 ]; check "form: Tab moves to the check box" $? "got: $(D focus-of "$title")"
keys_to "$title" shift+Tab
[ "$(D focus-of "$title")" = Edit1 ]; check "form: Shift+Tab moves back" $? "got: $(D focus-of "$title")"

# Worked from outside: each control's handler sees its event.
D set-text "$title" Edit1 "Zoe"
wait_event "changed 1 Name Normal [Zoe]"; check "form: Edit change reaches its label" $?
D press "$title" Button1
wait_event "clicked Agree Normal 0"; check "form: check box click" $?
[ "$(field Button1 8)" = 1 ]; check "form: check box is checked" $?
D select "$title" ComboBox1 2
wait_event "picked Color 3"; check "form: drop-down choice" $?
D select "$title" ListBox1 1
wait_event "listed Normal 2"; check "form: list choice" $?

# Enter presses the default button wherever the focus is (the check box
# has it since its click), and Escape reaches GuiEscape.
keys_to "$title" Return
wait_event "submit Zoe|1|Blue|two"; check "form: Enter presses the default button" $?
keys_to "$title" Escape
wait_event "escape 1"; check "form: Escape" $?

# A function handler gets the control's handle, the event and its detail;
# its Show resizes the window and GuiSize reports the new client size.
D press "$title" Button3
wait_event "resize Normal 0 1"; check "form: function handler" $?
wait_event "size 0 200x120"; check "form: GuiSize after Show w200 h120" $?
[ "$(D client "$title")" = "200 120" ]; check "form: new client size" $?

D post OrvantaGUI "$title" 16 0 0
wait_event "close 1"; check "form: the close box reaches GuiClose" $?
wait "$pid"; rc=$?
[ "$rc" = 3 ]; check "form: exit code from GuiClose" $? "got $rc"

# Without a Close handler the close box only hides the window; Submit
# then hides it too, and Destroy ends it.
pack hidden '#NoTrayIcon
Gui, Add, Edit, vText, hello
Gui, Show,, Orvanta hidden
FileAppend, shown`n, hidden.txt
WinWaitClose, Orvanta hidden
FileAppend, % "hidden " (WinExist("Orvanta hidden") ? 1 : 0) "`n", hidden.txt
DetectHiddenWindows, On
FileAppend, % "still there " (WinExist("Orvanta hidden") ? 1 : 0) "`n", hidden.txt
Gui, Destroy
FileAppend, % "destroyed " (WinExist("Orvanta hidden") ? 1 : 0) "`n", hidden.txt
ExitApp'
events="$work/hidden.txt"
start hidden
wait_event shown 10; check "hidden: shown" $?
D post OrvantaGUI "Orvanta hidden" 16 0 0
wait_event "hidden 0"; check "hidden: the close box hides the window" $?
wait_event "still there 1"; check "hidden: the window still exists" $?
wait_event "destroyed 0"; check "hidden: Destroy ends it" $?
wait "$pid"

# A menu bar: an item chosen by its key (Ctrl+S, named after the item's
# tab) and by the keyboard's way through the bar (Alt+F, then the item's
# letter: whether a menu opened from the keyboard starts with an item
# highlighted is Wine's to choose), each run with its window as A_Gui; removed again, its key no
# longer works.
pack bar '#NoTrayIcon
Menu, FileMenu, Add, &Save`tCtrl+S, Chosen
Menu, FileMenu, Add, &Open, Chosen
Menu, Bar, Add, &File, :FileMenu
Gui, Editor:Menu, Bar
Gui, Editor:Add, Edit, w200 r3
Gui, Editor:Show,, Orvanta bar
FileAppend, shown`n, bar.txt
return
Chosen:
FileAppend, % A_ThisMenuItem " " A_ThisMenu " " A_Gui "`n", bar.txt
if (A_ThisMenuItem = "&Open") {
  Gui, Editor:Menu
  FileAppend, removed`n, bar.txt
}
return
EditorGuiClose:
ExitApp'
events="$work/bar.txt"
start bar
wait_event shown 10; check "bar: shown" $?
bar_title="Orvanta bar"
x_focus_on "$bar_title" 10; check "bar: has the X focus" $?
keys_to "$bar_title" ctrl+s
wait_event $'&Save\tCtrl+S FileMenu Editor'; check "bar: Ctrl+S chooses its item" $? "got: $(cat "$events")"
keys_to "$bar_title" alt+f
drive wait-shown "#32768" "" 5000; check "bar: Alt+F opens the menu" $?
# A letter typed while the menu is still coming up can be lost: once more
# if the menu still shows.
xdotool key o
if ! wait_event "&Open FileMenu Editor" 3 && drive wait-shown "#32768" "" 100; then xdotool key o; fi
wait_event "&Open FileMenu Editor"; check "bar: Alt+F, O" $? "got: $(cat "$events")"
wait_event removed; check "bar: removed" $?
# The keys are taken in order: once the "x" typed after Ctrl+S is in the
# Edit, Ctrl+S has been seen.
keys_to "$bar_title" ctrl+s x
until_edit() {
  local deadline=$((SECONDS + 5))
  until [ "$(D controls "$bar_title" | awk -F'\t' '$1 == "Edit1" { print $9 }')" = x ]; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.05
  done
}
until_edit; check "bar: keys reach the Edit" $?
[ "$(grep -c Save "$events")" = 1 ]; check "bar: no key once the bar is gone" $?
drive post OrvantaGUI "$bar_title" 16 0 0
wait "$pid"

# A tabbed window: the keys turn the pages (Ctrl+Tab, Ctrl+PgDn, Ctrl+PgUp,
# Ctrl+Shift+Tab), each page's controls show only with it, and the tab
# control's handler runs for each turn.
pack tabs '#NoTrayIcon
Gui, Add, Tab, vPage w300 h160 gTurned, General|Network|About
Gui, Add, Checkbox, vAuto, Start automatically
Gui, Tab, 2
Gui, Add, Edit, vProxy w200, proxy.local
Gui, Tab, 3
Gui, Add, Text,, Version 1.0
Gui, Tab
Gui, Add, Button, Default, OK
Gui, Show,, Orvanta tabs
FileAppend, shown`n, tabs.txt
return
Turned:
Gui, Submit, NoHide
FileAppend, % "page " Page "`n", tabs.txt
return
GuiClose:
ExitApp'
events="$work/tabs.txt"
tabs_title="Orvanta tabs"
# The visible column of the listing, for the three page controls in order.
pages_shown() { D controls "$tabs_title" | awk -F'\t' '$1 ~ /^(Button1|Edit1|Static1)$/ { printf "%s", $6 }'; }
start tabs
wait_event shown 10; check "tabs: shown" $?
[ "$(pages_shown)" = 100 ]; check "tabs: the first page's controls show" $? "got: $(pages_shown)"
x_focus_on "$tabs_title" 10; check "tabs: has the X focus" $?
keys_to "$tabs_title" ctrl+Tab
wait_event "page Network"; check "tabs: Ctrl+Tab turns to the second page" $?
[ "$(pages_shown)" = 010 ]; check "tabs: the second page's controls show" $? "got: $(pages_shown)"
keys_to "$tabs_title" ctrl+Next
wait_event "page About"; check "tabs: Ctrl+PgDn" $?
[ "$(pages_shown)" = 001 ]; check "tabs: the third page's controls show" $? "got: $(pages_shown)"
keys_to "$tabs_title" ctrl+Tab
wait_event "page General"; check "tabs: Ctrl+Tab goes round to the first page" $?
keys_to "$tabs_title" ctrl+shift+Tab
wait_events "page About" 2; check "tabs: Ctrl+Shift+Tab goes back" $?
drive post OrvantaGUI "$tabs_title" 16 0 0
wait "$pid"

# A resizable window whose size the driver changes: GuiSize reports the new
# client size, and anchored controls follow it (the Edit grows with the
# window, the button keeps to the bottom-right corner).
pack sizes '#NoTrayIcon
Gui, +Resize
Gui, Add, Edit, w200 h100 AW1 AH1, notes
Gui, Add, Button, x+10 yp w60 AX1 AY1, OK
Gui, Show, w300 h140, Orvanta sizes
return
GuiSize:
FileAppend, % "size " A_EventInfo " " A_GuiWidth "x" A_GuiHeight "`n", sizes.txt
return
GuiClose:
ExitApp'
events="$work/sizes.txt"
sizes_title="Orvanta sizes"
start sizes
wait_event "size 0 300x140" 10; check "sizes: first size" $?
before=$(D controls "$sizes_title" | awk -F'\t' '{ print $1, $2, $3, $4, $5 }' | tr '\n' ';')
frame_w=$(( $(drive rect OrvantaGUI "$sizes_title" | tr -d '\r' | cut -d' ' -f3) - 300 ))
frame_h=$(( $(drive rect OrvantaGUI "$sizes_title" | tr -d '\r' | cut -d' ' -f4) - 140 ))
D resize "$sizes_title" $((400 + frame_w)) $((200 + frame_h))
wait_event "size 0 400x200"; check "sizes: GuiSize after the driver's resize" $? "got: $(cat "$events")"
after=$(D controls "$sizes_title" | awk -F'\t' '{ print $1, $2, $3, $4, $5 }' | tr '\n' ';')
[ "$before" = "Edit1 10 6 200 100;Button1 220 6 60 23;" ] && [ "$after" = "Edit1 10 6 300 160;Button1 320 66 60 23;" ]
check "sizes: anchored controls follow" $? "before: $before after: $after"
drive post OrvantaGUI "$sizes_title" 16 0 0
wait "$pid"

# A window with a scroll bar scrolls its controls: a page down moves every
# control up by the client area's height.
pack scroll '#NoTrayIcon
Gui, +VScroll
Loop, 20
  Gui, Add, Text, w100 h20, Line %A_Index%
Gui, Show, w200 h100, Orvanta scroll
FileAppend, shown`n, scroll.txt
return
GuiClose:
ExitApp'
events="$work/scroll.txt"
scroll_title="Orvanta scroll"
first_y() { D controls "$scroll_title" | awk -F'\t' '$1 == "Static1" { print $3 }'; }
start scroll
wait_event shown 10; check "scroll: shown" $?
y0=$(first_y)
drive post OrvantaGUI "$scroll_title" 0x115 3 0
deadline=$((SECONDS + 5))
until [ "$(first_y)" != "$y0" ] || [ $SECONDS -ge $deadline ]; do sleep 0.05; done
[ "$(first_y)" = $((y0 - 100)) ]; check "scroll: a page down moves the controls up by a page" $? "from $y0 to $(first_y)"
drive post OrvantaGUI "$scroll_title" 16 0 0
wait "$pid"

# Dropped files: the handler gets every path whole, one of them longer
# than 260 characters, with the point and the control under it. Wine
# carries no dropped files from one process to another, so the script
# posts the drop (WM_DROPFILES) to its own window.
pack drop '#NoTrayIcon
Gui, +HwndMe
Gui, Add, Edit, w300 r5
Gui, Show,, Orvanta drop
long := "C:\"
Loop, 150
  long .= "d"
long .= "\"
Loop, 150
  long .= "f"
long .= ".txt"
drop(["C:\short.txt", long], 20, 30)
return
drop(paths, x, y) {
  global Me
  chars := 1
  for i, p in paths
    chars += StrLen(p) + 1
  mem := DllCall("GlobalAlloc", "UInt", 0x42, "Ptr", 20 + chars * 2, "Ptr")
  at := DllCall("GlobalLock", "Ptr", mem, "Ptr")
  NumPut(20, at + 0, "UInt"), NumPut(x, at + 4, "Int"), NumPut(y, at + 8, "Int"), NumPut(1, at + 16, "Int")
  at += 20
  for i, p in paths
    at += StrPut(p, at, "UTF-16") * 2
  DllCall("GlobalUnlock", "Ptr", mem)
  DllCall("PostMessage", "Ptr", Me, "UInt", 0x233, "Ptr", mem, "Ptr", 0)
}
GuiDropFiles(hwnd, files, ctl, x, y) {
  for i, f in files
    FileAppend, % i " " StrLen(f) " " SubStr(f, 1, 12) "`n", drop.txt
  GuiControlGet, edit, Hwnd, Edit1
  FileAppend, % "at " x "," y " on the Edit " (ctl = edit) ", A_GuiEvent " StrLen(A_GuiEvent) "`n", drop.txt
  ExitApp
}'
events="$work/drop.txt"
start drop
wait_event "2 308 C:\ddddddddd" 10; check "drop: a path past 260 characters comes whole" $? "got: $(cat "$events" 2>/dev/null)"
wait_event "1 12 C:\short.txt"; check "drop: the first path" $?
wait_event "at 20,30 on the Edit 1, A_GuiEvent 321"; check "drop: point, control and A_GuiEvent" $?
wait "$pid"

echo "gui: $passed passed, $failed failed"
[ "$failed" = 0 ]
