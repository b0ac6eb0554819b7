#!/usr/bin/env bash
# `make run`: starts the shipped program, build/win/Orvanta.exe with the
# script it carries, under Wine. On the caller's X display when there is a
# reachable one, otherwise on the project's virtual display.
#   tools/run-app.sh [ARGS...]   ARGS become the program's command line
set -euo pipefail
cd "$(dirname "$0")/.."

exe=$PWD/build/win/Orvanta.exe
[ -f "$exe" ] || tools/build.sh win

user_display=
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  user_display=$DISPLAY
fi

# shellcheck source=tools/wine-env.sh
source tools/wine-env.sh

if [ -n "$user_display" ] && [ "$user_display" != "$DISPLAY" ]; then
  echo "run-app: showing Orvanta on your display $user_display"
  # The default Wine desktop lives on the virtual display; a desktop of
  # another name is created on the display of whoever opens it first.
  # Exit codes do not pass through explorer, so none is reported here.
  DISPLAY=$user_display orv_wine explorer /desktop=Orvanta,1280x800 "$exe" "$@"
else
  echo "run-app: no reachable display of yours; Orvanta runs on the virtual display $DISPLAY"
  echo "run-app: to see it: DISPLAY=$DISPLAY import -window root shot.png"
  rc=0
  orv_wine "$exe" "$@" || rc=$?
  echo "run-app: Orvanta exited with code $rc"
  exit "$rc"
fi
