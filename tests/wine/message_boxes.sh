#!/usr/bin/env bash
# MsgBox on a desktop: what the box shows, that IfMsgBox sees the button a
# person pressed, that a time-out closes the box by itself, and that a style
# the system refuses is reported instead of shown.
#
# The limit on boxes open at once is not tested here: a script cannot yet
# open a box while its own is up (that takes timers or hotkeys), and boxes
# of separate processes do not count together. The unit tests cover it.
source "$(dirname "$0")/scenario.lib" msgbox

# A box's text as the driver reads it, without the CRs of Windows lines.
box_text() { drive dialog "$1" 10000 | tr -d '\r'; }

# With no parameter the box asks to press OK, under the script's name.
pack noparam $'MsgBox\nIfMsgBox, OK, FileAppend, OK, *'
start noparam
[ "$(box_text noparam.exe)" = "Press OK to continue." ]; check "no parameter: text" $?
drive click noparam.exe 1 5000; check "no parameter: OK pressed" $?
finish noparam 0 OK

# Every button of every button set, pressed by the driver: IfMsgBox names
# that button and no other. One box per case, each with its own title.
cases=(  # style  button id  word
  0 1 OK
  1 2 Cancel
  2 3 Abort
  2 4 Retry
  2 5 Ignore
  3 6 Yes
  3 7 No
  3 2 Cancel
  4 6 Yes
  4 7 No
  5 4 Retry
  5 2 Cancel
  6 2 Cancel
  6 10 TryAgain
  6 11 Continue
)
script='words := "OK,Cancel,Abort,Retry,Ignore,Yes,No,TryAgain,Continue,Timeout"
Answered() {
  global words
  found := ""
  Loop, Parse, words, `,
  {
    IfMsgBox, %A_LoopField%
      found .= " " A_LoopField
  }
  return found
}'
expected=""
for ((i = 0; i < ${#cases[@]}; i += 3)); do
  n=$((i / 3 + 1))
  script+=$'\n'"MsgBox, ${cases[i]}, Case $n, Press ${cases[i + 2]}"
  script+=$'\n'"FileAppend, % \"$n:\" Answered() \"\`n\", *"
  expected+="$n: ${cases[i + 2]}"$'\n'
done
# A box with a time-out that is answered in time gives the button, not Timeout.
script+=$'\n'"MsgBox, 4, Case answered in time, Press Yes, 60"
script+=$'\n'"FileAppend, % \"in time:\" Answered(), *"
expected+="in time: Yes"
pack answers "$script"
start answers
for ((i = 0; i < ${#cases[@]}; i += 3)); do
  n=$((i / 3 + 1))
  drive click "Case $n" "${cases[i + 1]}" 10000; check "answers: case $n, button ${cases[i + 1]}" $?
done
drive click "Case answered in time" 6 10000; check "answers: timed box answered" $?
finish answers 0 "$expected"

# Time-outs: the first box is seen and then closes without anyone touching
# it; the second, of half a second, closes by itself as well.
pack timeout $'MsgBox, 1, Timed, Closes by itself, 2\nIfMsgBox, Timeout, FileAppend, first: Timeout`n, *
MsgBox, 1, Half, Closes sooner, 0.5\nIfMsgBox, Timeout, FileAppend, second: Timeout, *'
start timeout
[ "$(box_text Timed)" = "Closes by itself" ]; check "timeout: box shown" $?
drive wait-gone '#32770' Timed 20000; check "timeout: box closed by itself" $?
finish timeout 0 $'first: Timeout\nsecond: Timeout'

# A style the system refuses: an error box instead, and the thread ends.
pack badstyle $'FileAppend, before, *\nMsgBox, 7, Refused, never shown\nFileAppend, never, *'
start badstyle
[ "$(box_text badstyle.exe | head -3)" = $'Error: Parameter #1 invalid.\n\nSpecifically: 7' ]
check "bad style: error text" $?
drive click badstyle.exe 1 5000; check "bad style: error answered" $?
finish badstyle 0 before

echo "message boxes: $passed passed, $failed failed"
[ "$failed" = 0 ]
