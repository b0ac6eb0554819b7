#!/usr/bin/env bash
# Script windows on a screen of 144 dots per inch, in a Wine prefix of its
# own (made once, then kept): the sizes a script gives to Show and to its
# controls are scaled by 1.5, the screen position given to Show is not,
# and GuiControlGet gives the script's own numbers back.
export ORV_WINEPREFIX=${ORV_WINEPREFIX_144:-${HOME:-/tmp}/.cache/orvanta/wineprefix-144}
source "$(dirname "$0")/scenario.lib" gui-dpi
# Only this prefix's server goes at the end; the display stays for the others.
trap '[ -n "${ORV_KEEP:-}" ] || rm -rf "$work"; orv_wineserver -k 2>/dev/null' EXIT

orv_wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
check "dpi: the prefix takes 144 dots per inch" $?

title="Orvanta dpi"
pack dpi '#NoTrayIcon
Gui, Add, Text, w100 h20, At 144 dpi
Gui, Add, Button, vB x10 y40 w80 h30, OK
Gui, Show, x20 y30 w200 h100, Orvanta dpi
GuiControlGet, p, Pos, B
WinGetPos, wx, wy,,, Orvanta dpi
FileAppend, % A_ScreenDPI " " pX "," pY " " pW "x" pH " at " wx "," wy "`n", dpi.txt
return
GuiClose:
ExitApp'
start dpi
wait_file_line "$work/dpi.txt" "144 10,40 80x30 at 20,30" 20; check "dpi: the script's own numbers" $? "got: $(cat "$work/dpi.txt" 2>/dev/null)"
client=$(drive client "$title" | tr -d '\r')
[ "$client" = "300 150" ]; check "dpi: Show w200 h100 gives a 300 x 150 client area" $? "got: $client"
button=$(drive controls "$title" | tr -d '\r' | awk -F'\t' '$1 == "Button1" { print $2, $3, $4, $5 }')
[ "$button" = "15 60 120 45" ]; check "dpi: the button's place and size are scaled" $? "got: $button"
drive post OrvantaGUI "$title" 16 0 0
wait "$pid"

echo "gui-dpi: $passed passed, $failed failed"
[ "$failed" = 0 ]
