#!/usr/bin/env bash
# Starts a trivial packed program (it writes "hi" to stdout) many times
# under Wine and counts how each start ended, to tell how often, and how,
# a start fails:
#   tools/wine-starts.sh [-n STARTS] [-j AT_ONCE]     (default 1000, 4)
# Prints one line per kind of ending (exit code, bytes on stdout and on
# stderr) with its count, the median and largest time of a start, and keeps
# the output of every start that did not end "0 3 0" in a folder it names. Slow on a busy machine (a start takes 0.05-3 s); run it with nice,
# in the background. Set WINEDEBUG=err+all after the environment is sourced
# (WINEDEBUG_STARTS=err+all) to have Wine's own errors on stderr.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2
starts=1000 at_once=4
while getopts n:j: opt; do
  case $opt in
    n) starts=$OPTARG ;;
    j) at_once=$OPTARG ;;
    *) echo "usage: $0 [-n STARTS] [-j AT_ONCE]" >&2; exit 2 ;;
  esac
done
# shellcheck source=tools/wine-env.sh
source tools/wine-env.sh || exit 1
export TMPDIR=$ORV_WINE_TMPDIR
[ -n "${WINEDEBUG_STARTS:-}" ] && export WINEDEBUG=$WINEDEBUG_STARTS
work=$(mktemp -d "$ORV_WINE_TMPDIR/orv-starts.XXXXXX")
printf 'FileAppend, hi`n, *\n' >"$work/hi.orv"
tools/orvpack "$work/hi.orv" -o "$work/hi.exe" >/dev/null || exit 1

worker() {
  local w=$1 i t0 rc ob eb
  for ((i = w; i < starts; i += at_once)); do
    t0=${EPOCHREALTIME/./}
    "$ORV_WINE" "$work/hi.exe" >"$work/out.$w" 2>"$work/err.$w" </dev/null
    rc=$?
    ob=$(stat -c %s "$work/out.$w") eb=$(stat -c %s "$work/err.$w")
    echo "$rc $ob $eb $(( (${EPOCHREALTIME/./} - t0) / 1000 ))" >>"$work/log.$w"
    if [ "$rc $ob $eb" != "0 3 0" ]; then
      mv "$work/out.$w" "$work/out.start$i"
      mv "$work/err.$w" "$work/err.start$i"
    fi
  done
}
for ((w = 0; w < at_once; w++)); do worker "$w" & done
wait
cat "$work"/log.* | awk '{ print $1 " " $2 " " $3 }' | sort | uniq -c |
  awk '{ printf "exit %s, stdout %s bytes, stderr %s bytes: %d starts\n", $2, $3, $4, $1 }'
cat "$work"/log.* | sort -n -k4 | awk '
  { t[NR] = $4 }
  END { printf "%d starts; median %d ms, largest %d ms\n", NR, t[int((NR + 1) / 2)], t[NR] }'
if compgen -G "$work/out.start*" >/dev/null; then
  echo "the output of each failed start is in $work"
else
  rm -rf "$work"
fi
