#!/usr/bin/env bash
# The single-instance protocol between two real instances under Wine: the
# second instance of the same program meets the first one's MainWindow.
source "$(dirname "$0")/scenario.lib" single

# Starts the program in the background and waits for its MainWindow.
start_first() {  # name, args...
  local name=$1; shift
  (cd "$work" && orv_wine "$name.exe" "$@" >/dev/null 2>&1) &
  first_pid=$!
  drive wait-window Orvanta "$name.exe" 10000
}

stop() {  # name: ask a resident instance to exit through its menu
  drive post Orvanta "$1.exe" 0x111 65405 0 >/dev/null
  drive wait-gone Orvanta "$1.exe" 5000
}

# Ignore: the new instance exits at once with 0, the old one keeps running.
pack ignore $'#Persistent\n#SingleInstance Ignore'
start_first ignore
(cd "$work" && orv_wine ignore.exe); check "ignore: second exits 0" $?
drive wait-window Orvanta ignore.exe 100; check "ignore: first still running" $?
stop ignore; check "ignore: first stops on request" $?
wait "$first_pid"; check "ignore: first exit code 0" $?

# Force: the new instance replaces the old one without asking.
pack force $'#Persistent\n#SingleInstance Force'
start_first force
(cd "$work" && orv_wine force.exe >/dev/null 2>&1) & second=$!
wait "$first_pid"; check "force: old instance exits with 0" $?
drive wait-window Orvanta force.exe 5000; check "force: new instance resident" $?
stop force; wait "$second"; check "force: new instance exit code 0" $?

# /restart replaces the old instance even with #SingleInstance Off.
pack restart $'#Persistent\n#SingleInstance Off'
start_first restart
(cd "$work" && orv_wine restart.exe /restart >/dev/null 2>&1) & second=$!
wait "$first_pid"; check "restart: old instance exits" $?
drive wait-window Orvanta restart.exe 5000; check "restart: new instance resident" $?
stop restart; wait "$second"

# /restart with no old instance starts without a word.
pack lonely $'#Persistent'
start_first lonely /restart; check "restart alone: starts" $?
stop lonely; wait "$first_pid"

# Prompt (a resident script without the directive): the user is asked.
pack prompt $'#Persistent'
start_first prompt
(cd "$work" && orv_wine prompt.exe >/dev/null 2>&1) & second=$!
text=$(drive dialog prompt.exe 10000 | tr -d '\r')
expected=$'An older instance of this script is already running.  Replace it with this instance?\nNote: To avoid this message, see #SingleInstance in the help file.'
[ "$text" = "$expected" ]; check "prompt: question text" $? "got: $text"
drive click prompt.exe 7 5000   # No: the new instance gives up quietly
wait "$second"; check "prompt: No exits the new instance with 0" $?
drive wait-window Orvanta prompt.exe 100; check "prompt: old instance kept" $?
(cd "$work" && orv_wine prompt.exe >/dev/null 2>&1) & second=$!
drive click prompt.exe 6 10000  # Yes: the old instance makes way
wait "$first_pid"; check "prompt: Yes replaces the old instance" $?
drive wait-window Orvanta prompt.exe 5000; check "prompt: new instance resident" $?
stop prompt; wait "$second"

echo "single instance: $passed passed, $failed failed"
[ "$failed" = 0 ]
