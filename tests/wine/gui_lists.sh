#!/usr/bin/env bash
# List views and status bars as users meet them: a script fills a list view
# with 10,000 rows (text beyond ASCII among them) and a status bar with
# parts; the test driver reads them from outside (counts, cells, marks,
# parts) and real clicks (xdotool) pick rows, double-click them, sort by a
# header and open the context menu; the handlers write what they saw to
# events.txt. With ORV_KEEP set, the window's screenshot stays in the
# scratch folder.
source "$(dirname "$0")/scenario.lib" gui_lists

events="$work/events.txt"
wait_event() { wait_file_line "$events" "$1" "${2:-5}"; }
D() { drive "$@" | tr -d '\r'; }
click_at() { xdotool mousemove "$1" "$2" click "${3:-1}"; }
row_point() { D lv-point "$title" SysListView321 "$1"; }

title="Orvanta lists"
pack lists '#NoTrayIcon
Gui, Add, ListView, vFiles gFiles AltSubmit r12 w400 Checked, Name|Size|Kind
GuiControl, -Redraw, Files
LV_Add("Check", "Ünïcode ✓", 1, "txt")
Loop 9999
  LV_Add("", "row" A_Index, Mod(A_Index * 7, 1000), A_Index & 1 ? "odd" : "even")
GuiControl, +Redraw, Files
LV_ModifyCol()
Gui, Add, StatusBar, gBar
SB_SetParts(120, 120)
SB_SetText("rows " LV_GetCount()), SB_SetText("ready", 2), SB_SetText("τρία", 3)
Gui, Show, w440, Orvanta lists
report("shown")
return

report(s) {
  FileAppend, %s%`n, events.txt
}
Files(hwnd, event, info, changes := "") {
  if (event = "I")
    return report("item " info " " changes)
  if (event == "F" || event == "f" || event == "K" || event == "M")
    return
  ; The log is written in the system code page: the row beyond ASCII goes by a name.
  LV_GetText(first, 1)
  report("lv " event " " info " " A_GuiControl " first=" (first == "Ünïcode ✓" ? "unicode" : first))
}
Bar:
report("bar " A_GuiEvent " " A_EventInfo)
return
GuiContextMenu(hwnd, control, info, mouse, x, y) {
  report("menu " (control != "") " " info " " mouse)
}
GuiClose:
ExitApp 3'
start lists
drive wait-window OrvantaGUI "$title" 20000; check "lists: window" $?
wait_event shown 20; check "lists: auto-execute ran" $?

rows=$(D lv-rows "$title" SysListView321 0 0; D lv-rows "$title" SysListView321 9999 9999 | tail -1)
[ "$(head -1 <<<"$rows")" = "10000 3" ]; check "lists: 10,000 rows of 3 columns" $? "got: $(head -1 <<<"$rows")"
[ "$(sed -n 2p <<<"$rows")" = "$(printf '+\tÜnïcode ✓\t1\ttxt')" ]; check "lists: the first row, checked" $? "got: $(sed -n 2p <<<"$rows")"
[ "$(tail -1 <<<"$rows")" = "$(printf -- '-\trow9999\t993\todd')" ]; check "lists: the last row" $? "got: $(tail -1 <<<"$rows")"
[ "$(D sb-parts "$title" msctls_statusbar321)" = "$(printf 'rows 10000\tready\tτρία')" ]; check "lists: status bar parts" $? \
  "got: $(D sb-parts "$title" msctls_statusbar321)"

# A click on the third row selects and focuses it (one change or two,
# as the system sends them), then the click arrives.
read -r x y < <(row_point 2)
click_at "$x" "$y"
wait_event "lv Normal 3 Files first=unicode"; check "lists: a click on a row" $?
letters=$(tr -d '\r' <"$events" | awk '$1 == "item" && $2 == 3 { printf "%s", $3 }')
[[ $letters == *S* && $letters == *F* ]]; check "lists: item change letters" $? "got: $letters"
[ "$(D lv-rows "$title" SysListView321 2 2 | sed -n 2p | cut -f1)" = "*>" ]; check "lists: the row selected and focused" $?
xdotool click --repeat 2 --delay 80 1
wait_event "lv DoubleClick 3 Files first=unicode"; check "lists: a double click" $?
click_at "$x" "$y" 3
wait_event "lv RightClick 3 Files first=unicode"; check "lists: a right click" $?
wait_event "menu 1 3 1"; check "lists: context menu from the mouse, focused row" $?

# A header click sorts by that column (text without case), a second one
# the other way; the handler runs after the sort.
read -r hx hy < <(row_point -1)
click_at "$hx" "$hy"
wait_event "lv ColClick 1 Files first=row1"; check "lists: header click sorts up" $?
# Away from the first click's place, or the header takes the two for a double click.
click_at "$((hx + 40))" "$hy"
wait_event "lv ColClick 1 Files first=unicode"; check "lists: a second click sorts down" $?

# The Apps key asks for the context menu of the focused list view.
xdotool key Menu
# (the focused row moved with the sort: any row from 1 will do).
for _ in $(seq 100); do tr -d '\r' <"$events" | grep -qx "menu 1 [1-9][0-9]* 0" && break; sleep 0.05; done
tr -d '\r' <"$events" | grep -qx "menu 1 [1-9][0-9]* 0"; check "lists: context menu from the keyboard" $?

DISPLAY=${DISPLAY:-:93} import -window root "$work/lists.png" 2>/dev/null

D post OrvantaGUI "$title" 16 0 0
wait "$pid"; rc=$?
[ "$rc" = 3 ]; check "lists: closed" $? "got $rc"

echo "gui_lists: $passed passed, $failed failed"
[ "$failed" = 0 ]
