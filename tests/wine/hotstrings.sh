#!/usr/bin/env bash
# Hotstrings as users meet them: abbreviations typed with xdotool into the
# Edit of a test window of another process, the program's hook matching
# them and its threads running; what reached the window is read back.
source "$(dirname "$0")/scenario.lib" hotstrings

wait_line() { wait_file_line "$work/$1.out" "$2" "$3"; }  # name, line, timeout-s

# Starts the test window; the script brings it to the front and puts the
# caret in its Edit (the window shows itself without activating).
target() {  # title
  (drive window OrvTarget "$1" >"$work/$1.txt" 2>/dev/null &)
  drive wait-window OrvTarget "$1" 10000
}
# The script lines that do it.
front='WinActivate, orv_class OrvTarget
WinWaitActive, orv_class OrvTarget, , 5
ControlFocus, Edit1'

close_target() { drive post OrvTarget "$1" 16 0 0; drive wait-gone OrvTarget "$1" 5000; }

# Label and function hotstrings that erase nothing: "*" fires on the last
# letter (which never reaches the window), the ending character is
# A_EndChar, a word does not end in an abbreviation unless "?", and
# Backspace corrects a typo and still matches. (With "O" the ending
# character is dropped: the window never gets it.)
pack label "$front"'
FileAppend, ready`n, *
return
:*B0:qq::
FileAppend, % "qq " A_ThisHotkey "`n", *
return
:B0O:btw::
FileAppend, % "btw [" A_EndChar "]`n", *
return
:?B0O:ing::
said()
{
  FileAppend, ing`n, *
}
F12::ExitApp 5'
target label; check "label: target active" $?
start label
wait_line label ready 10; check "label: ready" $?
xdotool type --delay 30 'qq btw xbtw testing btx'
xdotool key BackSpace
xdotool type --delay 30 'w.'
wait_line label "btw [.]" 5; check "label: corrected typo matched" $?
typed=$(drive edit-text OrvTarget label 5000 | tr -d '\r')
[ "$typed" = "q btwxbtw testingbtw" ]; check "label: what reached the window" $? "got: $typed"
xdotool key F12
finish label 5 $'ready\nqq :*B0:qq\nbtw [ ]\ning\nbtw [.]'
close_target label

# Types `keys` and waits until the target's Edit reads `expected` whole.
typed_as() {  # title, keys, expected
  xdotool type --delay 40 "$2"
  local deadline=$((SECONDS + 5)) got
  while :; do
    got=$(drive edit-text OrvTarget "$1" 2000 | tr -d '\r')
    [ "$got" = "$3" ] && return 0
    [ $SECONDS -lt $deadline ] || { echo "after '$2': $got" >&2; return 1; }
    sleep 0.05
  done
}

# Auto-replace: the typed abbreviation is erased and the replacement typed
# in its place, in the case it was typed in, followed by the ending
# character (unless "O"); "*" needs none, "?" matches inside a word, "C"
# only as written, "B0" erases nothing, and a replacement types characters
# no key of the layout has.
pack auto "$front"'
FileAppend, ready`n, *
return
::btw::by the way
:*:qq::quick
:?:ing::ING
:O:eol::end of line
:C:Cs::case sensitive
:B0:bz::-zz
::uni::{U+20AC}x
F12::ExitApp 6'
target auto; check "auto: target" $?
start auto
wait_line auto ready 10; check "auto: ready" $?
text=""
step() {  # keys, what they add
  text+=$2
  typed_as auto "$1" "$text"; check "auto: '$1'" $?
}
step "btw " "by the way "
step "Btw " "By the way "
step "BTW " "BY THE WAY "
step "qq" "quick"
step " testing " " testING "
step "eol." "end of line"
step " Cs " " case sensitive "
step "cs " "cs "
step "bz " "bz-zz "
step "uni " "€x "
xdotool key F12
finish auto 6 ready
close_target auto
# Auto-replace through the key sender: the abbreviation (and for "*" its
# last letter, which never reaches the window) is erased and the
# replacement typed, its case following the abbreviation's, the ending
# character after it. Each word waits for the one before to be replaced.
# The registered F12 ends the program only if no modifier was left down
# (Shift+F12 ends it with 7, telling a Shift left down from a lost key):
# "@" is typed with Shift both by xdotool and by the replacement.
wait_typed() {  # title, expected, timeout-s
  local deadline=$((SECONDS + $3))
  until typed=$(drive edit-text OrvTarget "$1" 5000 | tr -d '\r'); [ "$typed" = "$2" ]; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
}
pack replace "$front"'
FileAppend, ready`n, *
return
::btw::by
:*:em@::me@x.org
F12::ExitApp 6
+F12::ExitApp 7'
target replace; check "replace: target active" $?
start replace
wait_line replace ready 10; check "replace: ready" $?
expected=
for word in "btw " "Btw " "BTW " em@; do
  xdotool type --delay 30 "$word"
  case $word in
    "btw ") expected+="by " ;;
    "Btw ") expected+="By " ;;
    "BTW ") expected+="BY " ;;
    em@) expected+="me@x.org" ;;
  esac
  wait_typed replace "$expected" 5; check "replace: $word" $? "got: $typed [$expected]"
done
xdotool key F12
finish replace 6 "ready"
close_target replace

echo "hotstrings: $passed passed, $failed failed"
[ "$failed" = 0 ]
