#!/usr/bin/env bash
# The host interface, seen from a host: orv-host-probe.exe loads
# Orvanta.dll, starts a script from text and drives it through the exports
# from its own threads, printing one line per case. Every line below must
# come out exactly once and exactly so, and nothing else may.
source "$(dirname "$0")/scenario.lib" host

expected=$(cat <<'LINES'
# Every letter-case spelling of the ten operations is one entry point.
aliases: 74 names, 10 entry points, 0 wrong

# Before the script has loaded and after it has ended, every export gives
# its not-ready answer (Assign too: a lost write is no success).
before start: function=null post=0 assign=-1 getvar=null label=0 executeline=null findfunc=null findlabel=null pause=0 isunicode=1
after end: function=null post=0 assign=-1 getvar=null label=0 executeline=null findfunc=null findlabel=null pause=0 isunicode=1
start: 1
ready: 1
second start: 0
end: 0

# Calls: script functions in any case, variadic ones, built-in ones; an
# unknown name; too few arguments (the error is shown, the answer empty).
function: '5'
function other case: '42'
function variadic: 'a|b|c|'
function unknown: ''
post unknown: -1
function built-in: '5' 'bcd'
function too few: '', reported
post too few: -1, reported
post: 0 ran

# A call refused at the thread limit answers empty, not the call before it.
before the limit: '5'
at the limit: 5 threads, ''
after the limit: '2'

# Variables: an unknown name makes an empty global; built-in variables are
# computed and have no address; numbers come as text.
getvar unknown: '', now exists yes
assign: 0 'hi there'
assign null: 0 ''
assign empty name: -1
getvar built-in: '8', pointer ''
getvar number: '1'

# Lookups and labels, sent (waits) and posted (queued).
findfunc: found found null
findlabel: found null null
label sent: 1 '1'
label posted: 1 ran
label unknown: 0 0

# Walking the script steps over function bodies (the script has 14 lines
# outside them); a line run for the host runs in the running thread.
executeline run: '2'
executeline walk: 14 lines

# Pausing twice and resuming once leaves nothing paused; timers go on.
pause: on 1, again 1, asked 1, off 0, asked 0, timer runs yes

# Two host threads calling, posting, assigning and reading while a timer
# allocates: every answer is its own and every call counted. The script's
# exit code above (0) also says no object was left over.
stress: wrong answers 0, every bump counted yes
LINES
)

# The library is found next to the host, as a host would ship it.
cp build/win/Orvanta.dll build/win/orv-host-probe.exe "$work/"
(cd "$work" && timeout 120 "$ORV_WINE" orv-host-probe.exe >raw 2>err)
rc=$?
[ "$rc" = 0 ]; check "probe exit code" $? "got: $rc; stderr: $(cat "$work/err")"
tr -d '\r' <"$work/raw" >"$work/got"

check_cases "$expected" "$work/got"

# The program exports the same host functions, for a host thread inside its
# own process.
exported=$(x86_64-w64-mingw32-objdump -p build/win/Orvanta.exe | grep -ciE '\] +orv[a-z]+$')
[ "$exported" = 74 ]; check "program exports the host functions" $? "got $exported names"

echo "host: $passed passed, $failed failed"
[ "$failed" = 0 ]
