#!/usr/bin/env bash
# Menus as users meet them: a pop-up menu shown by Menu, Show and the tray
# icon's menu, opened and answered with real clicks (xdotool) on Wine's
# virtual desktop. Each chosen item's thread reports its A_ThisMenuItem,
# position and menu; the tray icon is found by its tip, which is cut to 127
# characters. Items are chosen by keys and by clicks; keys reach Wine's
# foreground window (the program's, while its menu shows) once the X focus
# is on Wine's desktop window, but not after a click on the tray, which
# Wine's tray keeps the keyboard for: the tray's own menu is answered with
# clicks, and with keys when the script shows it.
source "$(dirname "$0")/scenario.lib" menus

# Menus draw their rows 17 pixels high and separators 9, inside a 3-pixel
# border; a row is clicked in its middle.
menu_rect() { drive rect-shown "#32768" ""; }
wait_menu() {  # sets mx my mw mh
  mx=0 my=0 mw=0 mh=0
  drive wait-shown "#32768" "" 5000 || return 1
  read -r mx my mw mh < <(menu_rect | tr -d '\r')
  [ -n "$mh" ]
}
click_at() { xdotool mousemove "$1" "$2" click "${3:-1}"; }
# The tray icon's place, looked up before each use: icons move along as
# other programs' icons come and go.
find_tray() {
  tx= ty=
  read -r tx ty < <(drive tray-pos "$short" 5000 | tr -d '\r')
  [ -n "$ty" ]
}
# A right click on the tray icon, again if the tray took it for part of the
# clicks before it.
open_tray_menu() {
  local try
  for try in 1 2 3; do
    find_tray
    click_at "$tx" "$ty" 3
    drive wait-shown "#32768" "" 2000 && break
  done
  wait_menu
}
# Keys for the menu of program NAME: they go to Wine's foreground window,
# which is the program's MainWindow while its menu shows.
keys() {  # name, keys...
  local name=$1; shift
  drive wait-active Orvanta "$name.exe" 3000
  xdotool windowfocus --sync "$(xdotool search --name 'Wine desktop' | head -1)" 2>/dev/null
  xdotool key "$@"
}

# Wine's desktop closes a moment after its last program and a program
# starting just then fails: one that waits unseen keeps it up throughout.
pack keeper '#NoTrayIcon
#Persistent
#SingleInstance Off
SetTimer, Done, 100
return
Done:
IfExist, keeper.stop
  ExitApp
return'
(cd "$work" && TMPDIR=$ORV_WINE_TMPDIR timeout 280 "$ORV_WINE" keeper.exe >/dev/null 2>&1) &
keeper_pid=$!
drive wait-window Orvanta keeper.exe 10000; check "keeper: started" $?

# --- a pop-up menu at the mouse ----------------------------------------------
pack popup '#Persistent
#SingleInstance Off
Menu, Sub, Add, Inner, Chosen
Menu, M, Add, &Alpha, Chosen
Menu, M, Add
Menu, M, Add, &Beta, Chosen
Menu, M, Add, &Gamma, Chosen
Menu, M, Disable, &Gamma
Menu, M, Add, &Delta, Chosen, +Radio
Menu, M, Check, &Delta
Menu, M, Add, &Sub, :Sub
Menu, M, Default, &Beta
Menu, M, Icon, &Alpha, %A_WinDir%\system32\shell32.dll, 4
FileAppend, ready`n, *
Menu, M, Show
return
Chosen:
FileAppend, chose %A_ThisMenuItem% %A_ThisMenuItemPos% %A_ThisMenu%`n, *
ExitApp'
xdotool mousemove 400 300
start popup
wait_file_line "$work/popup.out" ready 10; check "popup: started" $?
wait_menu; check "popup: menu shown" $?
[ "$mx" = 400 ] && [ "$my" = 300 ]; check "popup: at the mouse" $? "got: $mx $my"
# Delta's mnemonic; it comes after Alpha, a separator, Beta and Gamma.
keys popup d
finish popup 0 "ready
chose &Delta 5 M"

# At a point of the screen; a click on a disabled item leaves the menu
# open, one on a function item calls it with the item's name, position and
# menu.
pack func '#Persistent
#SingleInstance Off
Menu, F, Add, One, Picked
Menu, F, Add, Two, Picked
Menu, F, Disable, One
FileAppend, ready`n, *
CoordMode, Menu, Screen
Menu, F, Show, 420, 320
return
Picked(name, pos, menu) {
  FileAppend, picked %name% %pos% %menu% %A_ThisMenuItem%`n, *
  ExitApp
}'
xdotool mousemove 100 100
start func
wait_file_line "$work/func.out" ready 10; check "func: started" $?
wait_menu; check "func: menu shown" $?
[ "$mx" = 420 ] && [ "$my" = 320 ]; check "func: at the screen point given" $? "got: $mx $my"
click_at $((mx + mw / 2)) $((my + 3 + 8))
wait_menu; check "func: a disabled item keeps the menu open" $?
click_at $((mx + mw / 2)) $((my + 3 + 17 + 8))
finish func 0 "ready
picked Two 2 F Two"

# The tray menu shown by the script, answered with keys: Up goes round to
# the last item.
pack trayshow '#Persistent
#SingleInstance Off
Menu, Tray, Add, Last, Chosen
FileAppend, ready`n, *
Menu, Tray, Show
return
Chosen:
FileAppend, chose %A_ThisMenuItem% %A_ThisMenuItemPos% %A_ThisMenu%`n, *
ExitApp'
xdotool mousemove 500 400
start trayshow
wait_file_line "$work/trayshow.out" ready 10; check "trayshow: started" $?
wait_menu; check "trayshow: menu shown" $?
keys trayshow Up Return
finish trayshow 0 "ready
chose Last 1 Tray"

# --- the tray menu ------------------------------------------------------------
# The tip is 200 characters; the tray shows the first 127.
tip="OrvMenus$$-$(printf 'x%.0s' $(seq 192))"
short=${tip:0:127}
pack tray '#Persistent
#SingleInstance Off
OnExit, Leaving
Menu, Tray, Tip, '"$tip"'
Menu, Tray, Add, Custom item, Chosen
Menu, Tray, Add, Twice, Chosen
Menu, Tray, Default, Twice
FileAppend, % "ready " StrLen(A_IconTip) "`n", *
SetTimer, Watch, 50
return
Chosen:
FileAppend, chose %A_ThisMenuItem% %A_ThisMenuItemPos% %A_ThisMenu%`n, *
return
Watch:
if (A_IsSuspended != suspended) {
  suspended := A_IsSuspended
  FileAppend, suspended %suspended%`n, *
}
return
Leaving:
FileAppend, exit %A_ExitReason%`n, *
ExitApp'
start tray
wait_file_line "$work/tray.out" "ready 127" 10; check "tray: started, tip cut to 127" $?
find_tray; check "tray: icon found by its cut tip" $?
open_tray_menu; check "tray: right click shows the menu" $?
click_at $((mx + mw / 2)) $((my + mh - 3 - 17 - 8))
wait_file_line "$work/tray.out" "chose Custom item 1 Tray" 10; check "tray: item chosen" $?
find_tray
xdotool mousemove "$tx" "$ty" click --repeat 2 --delay 80 1
wait_file_line "$work/tray.out" "chose Twice 2 Tray" 10; check "tray: double click runs the default item" $?
# The standard items (Open, a separator, Suspend, Pause, Exit), then the
# script's two.
open_tray_menu; check "tray: menu shown again" $?
click_at $((mx + mw / 2)) $((my + 3 + 17 + 9 + 8))
wait_file_line "$work/tray.out" "suspended 1" 10; check "tray: Suspend Hotkeys suspends" $?
open_tray_menu; check "tray: menu shown a third time" $?
click_at $((mx + mw / 2)) $((my + 3 + 17 + 9 + 17 + 17 + 8))
finish tray 0 "ready 127
suspended 0
chose Custom item 1 Tray
chose Twice 2 Tray
suspended 1
exit Menu"


touch "$work/keeper.stop"
wait "$keeper_pid"

echo "menus: $passed passed, $failed failed"
[ "$failed" = 0 ]
