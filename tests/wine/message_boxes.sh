#!/usr/bin/env bash
# MsgBox on a desktop: what the box shows, that IfMsgBox sees the button a
# person pressed, that a time-out closes the box by itself, that a style the
# system refuses is reported instead of shown, and the limit on boxes open
# at once.
source "$(dirname "$0")/scenario.lib" msgbox

# A box's text as the driver reads it, without the CRs of Windows lines.
box_text() { drive dialog "$1" 10000 | tr -d '\r'; }

# Waits until the program's output holds the line (at most 10 s).
wait_output() {  # name, line
  local i
  for ((i = 0; i < 100; i++)); do
    grep -qxF "$2" <(tr -d '\r' <"$work/$1.out") && return 0
    sleep 0.1
  done
  return 1
}

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

# A time-out ends its own box even when another box is up on top of it: the
# outer box closes by its time-out, and the inner one, which has none, stays
# until it is answered.
pack nested $'#Persistent\nSetTimer, Inner, -100
MsgBox, 0, Outer, times out under another, 3\nIfMsgBox, Timeout, FileAppend, outer: Timeout, *\nExitApp
Inner:\nMsgBox, 0, Inner, has no time-out\nIfMsgBox, OK, FileAppend, inner: OK`n, *\nreturn'
start nested
drive wait-window '#32770' Inner 10000; check "nested: inner box up" $?
# The outer box's window stays (hidden) until the inner box's loop returns.
for ((i = 0; i < 100; i++)); do drive dialog Outer 100 >/dev/null || break; done
[ "$i" -lt 100 ]; check "nested: outer box closed by its time-out" $?
[ "$(box_text Inner)" = "has no time-out" ]; check "nested: inner box still up" $?
drive click Inner 1 5000; check "nested: inner box answered" $?
finish nested 0 $'inner: OK\nouter: Timeout'

# A style the system refuses: an error box instead, and the thread ends.
pack badstyle $'FileAppend, before, *\nMsgBox, 7, Refused, never shown\nFileAppend, never, *'
start badstyle
[ "$(box_text badstyle.exe | head -3)" = $'Error: Parameter #1 invalid.\n\nSpecifically: 7' ]
check "bad style: error text" $?
drive click badstyle.exe 1 5000; check "bad style: error answered" $?
finish badstyle 2 before

# Boxes on top of boxes: while each box is up, a timer of its own shows the
# next on top of it. Seven may be open at once: the eighth is the program's
# notice instead (under the program's title), and a box asked for while the
# notice is up gets no box and no answer at once. The boxes below then
# answer as usual.
pack limit $'#Persistent\nopened := 0\nGosub, Box1\nExitApp
Box1:\nBox2:\nBox3:\nBox4:\nBox5:\nBox6:\nBox7:\nBox8:\nBox9:\nShowBox()\nreturn
ShowBox() {
  global opened
  n := ++opened
  if (n < 9) {
    next := "Box" (n + 1)
    SetTimer, %next%, -100
  }
  MsgBox, 0, Box %n%, box %n%
  IfMsgBox, OK
    FileAppend, box %n%: OK`n, *
  else
    FileAppend, box %n%: no answer`n, *
}'
start limit
for i in 1 2 3 4 5 6 7; do
  drive wait-window '#32770' "Box $i" 10000; check "limit: box $i open" $?
done
[ "$(box_text limit.exe)" = "The maximum number of MsgBoxes has been reached." ]; check "limit: notice instead of box 8" $?
wait_output limit "box 9: no answer"; check "limit: box 9 refused while the notice is up" $?
drive wait-window '#32770' "Box 8" 100; [ $? != 0 ]; check "limit: box 8 never shown" $?
drive click limit.exe 1 5000; check "limit: notice answered" $?
for i in 7 6 5 4 3 2 1; do
  drive click "Box $i" 1 10000; check "limit: box $i answered" $?
done
finish limit 0 "box 9: no answer
box 8: no answer
box 7: OK
box 6: OK
box 5: OK
box 4: OK
box 3: OK
box 2: OK
box 1: OK"

echo "message boxes: $passed passed, $failed failed"
[ "$failed" = 0 ]
