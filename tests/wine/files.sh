#!/usr/bin/env bash
# Files shared between processes, as the Windows program and natively:
#   - two programs appending to one log at the same time lose no line and
#     split none (FileAppend writes in the system's append mode);
#   - a file another program holds open without sharing is left untouched:
#     FileAppend and FileRead fail with ErrorLevel 1, FileOpen gives 0.
source "$(dirname "$0")/scenario.lib" files

cat >"$work/appender.orv" <<'ORV'
Loop, 400
  FileAppend, %1% %A_Index%`n, log.txt
ORV
cat >"$work/holder.orv" <<'ORV'
f := FileOpen("locked.txt", "rw-")
f.Pos := 0
FileAppend, % (IsObject(f) ? "holding" : "not held") "`n", ready.txt
; Held until the other side says it is done, or for at most 20 seconds.
Loop, 400 {
  if IsObject(FileOpen("done.txt", "r"))
    break
  Sleep, 50
}
f.Close()
ORV
cat >"$work/intruder.orv" <<'ORV'
FileAppend, appended, locked.txt
out := "append " ErrorLevel
FileRead, text, locked.txt
out .= ", read " ErrorLevel " [" text "]"
out .= ", open " FileOpen("locked.txt", "w")
FileAppend, done, done.txt
FileAppend, %out%, *
ORV

modes=(wine native)

run() {  # mode, script, args...: starts it in the scratch folder, in the background
  local m=$1 s=$2; shift 2
  (cd "$work" && "$OLDPWD/tools/orvrun" "--$m" "$s.orv" "$@" >"$s.$m.out" 2>&1 </dev/null) &
}

# Waits up to 60 s for a file to appear.
wait_for() {
  local i
  for i in $(seq 600); do
    [ -s "$1" ] && return 0
    sleep 0.1
  done
  return 1
}

for m in "${modes[@]}"; do
  rm -f "$work/log.txt"
  run "$m" appender A; a=$!
  run "$m" appender B; b=$!
  wait "$a" "$b"
  python3 - "$work/log.txt" <<'PY'
import collections, re, sys
lines = open(sys.argv[1], "rb").read().split(b"\r\n")
assert lines[-1] == b"", "the log does not end with a line end"
lines = lines[:-1]
bad = [l for l in lines if not re.fullmatch(rb"[AB] \d+", l)]
assert not bad, f"torn lines: {bad[:3]}"
counts = collections.Counter(l[:1] for l in lines)
assert counts == {b"A": 400, b"B": 400}, f"lines per writer: {dict(counts)}"
PY
  check "two appenders [$m]: every line whole and present" $?

  rm -f "$work/locked.txt" "$work/ready.txt" "$work/done.txt"
  printf 'original' >"$work/locked.txt"
  run "$m" holder; h=$!
  wait_for "$work/ready.txt"
  [ "$(tr -d '\r\n' <"$work/ready.txt")" = holding ]; check "locked file [$m]: the holder holds it" $?
  run "$m" intruder; i=$!
  wait "$i" "$h"
  [ "$(cat "$work/intruder.$m.out")" = "append 1, read 1 [], open 0" ]
  check "locked file [$m]: every access fails" $? "got: $(cat "$work/intruder.$m.out")"
  [ "$(cat "$work/locked.txt")" = original ]; check "locked file [$m]: the file is untouched" $? "got: $(cat "$work/locked.txt")"
done

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
