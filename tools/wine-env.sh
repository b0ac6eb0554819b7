#!/usr/bin/env bash
# The Wine environment the Windows build is tested in: one prefix, one Xvfb
# display showing Wine's virtual desktop (no window manager), and one
# persistent wineserver, all shared by every caller and left running between
# calls so that a program starts in ~40 ms instead of ~0.5 s.
#
#   source tools/wine-env.sh        exports the environment and brings it up
#   tools/wine-env.sh up|down|status
#
# Variables: ORV_WINEPREFIX (default ~/.cache/orvanta/wineprefix),
#            ORV_DISPLAY (default :93).
# Set ORV_WINE_ENV_NOUP=1 before sourcing to get the variables and functions
# without starting anything.

export WINEPREFIX=${ORV_WINEPREFIX:-${HOME:-/tmp}/.cache/orvanta/wineprefix}
export DISPLAY=${ORV_DISPLAY:-:93}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
case ":$PATH:" in *:/usr/lib/wine:*) ;; *) [ -d /usr/lib/wine ] && export PATH=$PATH:/usr/lib/wine ;; esac

# Debian's /usr/bin/wine is a shell wrapper around wine64 and its wineserver
# wrapper forces "-p0"; calling the binaries directly is faster and lets the
# server persist. WINELOADER is what the wrapper would set, and Wine needs it
# to start child processes.
if [ -x /usr/lib/wine/wine64 ]; then
  ORV_WINE=/usr/lib/wine/wine64
  export WINELOADER=/usr/lib/wine/wine64
else
  ORV_WINE=wine
fi
if [ -x /usr/lib/wine/wineserver64 ]; then
  ORV_WINESERVER=/usr/lib/wine/wineserver64
  export WINESERVER=$ORV_WINESERVER
else
  ORV_WINESERVER=wineserver
fi

# Wine keeps its server socket under $TMPDIR, so a client with another
# TMPDIR would not find the persistent server and would start its own; every
# Wine command run through here uses this one.
ORV_WINE_TMPDIR=/tmp

# Run a Wine program, or the wineserver, against this environment.
orv_wine() { TMPDIR=$ORV_WINE_TMPDIR "$ORV_WINE" "$@"; }
orv_wineserver() { TMPDIR=$ORV_WINE_TMPDIR "$ORV_WINESERVER" "$@"; }

# State lives beside the prefix (not inside it) so that it can be taken
# before the prefix exists and survives a prefix being deleted.
_orv_state=${WINEPREFIX%/}.state
_orv_dispnum=${DISPLAY#:}
_orv_dispnum=${_orv_dispnum%%.*}

_orv_log() { echo "wine-env: $*" >&2; }

# True when Xvfb (or any X server) owns the display. Only bash builtins, so
# that the per-run check costs microseconds: the X lock file names the
# server's pid.
_orv_x_alive() {
  local pid
  [ -S "/tmp/.X11-unix/X$_orv_dispnum" ] || return 1
  read -r pid 2>/dev/null <"/tmp/.X$_orv_dispnum-lock" || return 1
  [ -n "$pid" ] && [ -d "/proc/$pid" ]
}

# The wineserver of a prefix runs with its working directory in
# <tmp>/wine-XXXXXX/server-DEV-INODE (DEV and INODE those of the prefix);
# that is how it is told apart from any other process, pid reuse included.
_orv_server_name() {
  local dev ino
  read -r dev ino < <(stat -L -c '%d %i' "$WINEPREFIX" 2>/dev/null) || return 1
  [ -n "$ino" ] || return 1
  printf 'server-%x-%x\n' "$dev" "$ino"
}

_orv_server_alive() {
  local pid dir
  read -r pid dir 2>/dev/null <"$_orv_state/wineserver" || return 1
  [ -n "$pid" ] && [ -S "$dir/socket" ] && [ "/proc/$pid/cwd" -ef "$dir" ]
}

# Finds a server running for this prefix (one whose state file was lost, or a
# transient one started by a bare `wine`); prints "PID DIR".
_orv_find_server() {
  local name p dir
  name=$(_orv_server_name) || return 1
  for p in /proc/[0-9]*; do
    case $(cat "$p/comm" 2>/dev/null) in wineserver*) ;; *) continue ;; esac
    dir=$(readlink "$p/cwd" 2>/dev/null) || continue
    [ "${dir##*/}" = "$name" ] && [ "${dir%/*/*}" = "$ORV_WINE_TMPDIR" ] || continue
    echo "${p#/proc/} $dir"
    return 0
  done
  return 1
}

# Like _orv_find_server, for a server started persistent (-p) only.
_orv_find_persistent_server() {
  local found
  found=$(_orv_find_server) || return 1
  tr '\0' '\n' <"/proc/${found%% *}/cmdline" 2>/dev/null | grep -qx -- '-p' || return 1
  echo "$found"
}

orv_wine_ready() {
  [ -f "$_orv_state/prefix-ready" ] && [ -d "$WINEPREFIX/drive_c" ] && _orv_x_alive && _orv_server_alive
}

_orv_start_x() {
  _orv_x_alive && return 0
  xdpyinfo >/dev/null 2>&1 && return 0
  # A lock file whose server died is stale; Xvfb would refuse to start.
  rm -f "/tmp/.X$_orv_dispnum-lock" "/tmp/.X11-unix/X$_orv_dispnum"
  _orv_log "starting Xvfb on $DISPLAY"
  # Detached from the caller's session and lock so that it outlives it.
  setsid nohup Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp -noreset \
    </dev/null >"$_orv_state/xvfb.log" 2>&1 9>&- &
  local i
  for ((i = 0; i < 100; i++)); do
    if _orv_x_alive && xdpyinfo >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  _orv_log "Xvfb did not come up on $DISPLAY (see $_orv_state/xvfb.log)"
  return 1
}

_orv_make_prefix() {
  [ -f "$_orv_state/prefix-ready" ] && [ -d "$WINEPREFIX/drive_c" ] && return 0
  _orv_log "creating Wine prefix $WINEPREFIX (takes ~15 s, once)"
  rm -f "$_orv_state/prefix-ready"
  mkdir -p "$(dirname "$WINEPREFIX")"
  # wineboot brings up a desktop before the virtual-desktop keys exist; its
  # transient server must end before the persistent one starts, or that
  # plain desktop would stay for the life of the server.
  orv_wine wineboot -i >"$_orv_state/wineboot.log" 2>&1 9>&- || {
    _orv_log "wineboot failed (see $_orv_state/wineboot.log)"; return 1; }
  orv_wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 9>&- &&
    orv_wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x800 /f >/dev/null 2>&1 9>&- || {
    _orv_log "could not set the virtual-desktop keys"; return 1; }
  # (A persistent server already serving the prefix would never end; then
  # the prefix was made before and only its marker was lost.)
  if ! _orv_find_persistent_server >/dev/null; then
    TMPDIR=$ORV_WINE_TMPDIR timeout 60 "$ORV_WINESERVER" -w 9>&- ||
      _orv_log "the prefix's wineserver is still running; going on"
  fi
  # Debian's Wine does not read /usr/share/wine/fonts; without Marlett the
  # desktop's caption buttons are drawn as letters.
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  if [ -d /usr/share/wine/fonts ]; then
    cp -f /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
  fi
  touch "$_orv_state/prefix-ready"
}

_orv_start_server() {
  _orv_server_alive && return 0
  local found pid i
  # A persistent server that lost its state file is adopted; a transient one
  # (from a bare `wine`) is let finish rather than fought over the socket,
  # and ended if it does not.
  if found=$(_orv_find_persistent_server); then
    echo "$found" >"$_orv_state/wineserver"
    return 0
  fi
  if found=$(_orv_find_server); then
    pid=${found%% *}
    _orv_log "waiting for the running wineserver ($pid) to end"
    TMPDIR=$ORV_WINE_TMPDIR timeout 30 "$ORV_WINESERVER" -w 9>&- || kill -INT "$pid" 2>/dev/null
    for ((i = 0; i < 100; i++)); do [ -d "/proc/$pid" ] || break; sleep 0.05; done
  fi
  _orv_log "starting a persistent wineserver"
  TMPDIR=$ORV_WINE_TMPDIR setsid nohup "$ORV_WINESERVER" -f -p </dev/null >"$_orv_state/wineserver.log" 2>&1 9>&- &
  for ((i = 0; i < 100; i++)); do
    if found=$(_orv_find_server) && [ -S "${found#* }/socket" ]; then
      echo "$found" >"$_orv_state/wineserver"
      return 0
    fi
    sleep 0.05
  done
  _orv_log "wineserver did not come up (see $_orv_state/wineserver.log)"
  return 1
}

orv_wine_up() {
  orv_wine_ready && return 0
  mkdir -p "$_orv_state" || return 1
  (
    flock 9 || exit 1
    # Another caller may have done the work while this one waited.
    orv_wine_ready && exit 0
    _orv_start_x && _orv_make_prefix && _orv_start_server
  ) 9>"$_orv_state/lock"
}

orv_wine_down() {
  mkdir -p "$_orv_state" || return 1
  (
    flock 9 || exit 1
    local pid found dir i
    if [ -d "$WINEPREFIX" ] && found=$(_orv_find_server); then
      pid=${found%% *}
      # SIGINT makes the server end its Wine processes first; SIGTERM
      # would leave them running without a server.
      _orv_log "stopping wineserver $pid"
      kill -INT "$pid" 2>/dev/null
      for ((i = 0; i < 100; i++)); do [ -d "/proc/$pid" ] || break; sleep 0.05; done
      [ -d "/proc/$pid" ] && kill -KILL "$pid" 2>/dev/null
      # The server leaves its wine-XXXXXX folder behind; Wine makes a new
      # one when it is gone.
      dir=${found#* }
      rm -rf "$dir"
      rmdir "${dir%/*}" 2>/dev/null
    fi
    rm -f "$_orv_state/wineserver"
    if _orv_x_alive; then
      read -r pid <"/tmp/.X$_orv_dispnum-lock"
      pid=${pid// /}
      _orv_log "stopping Xvfb $pid on $DISPLAY"
      kill -TERM "$pid" 2>/dev/null
      for ((i = 0; i < 100; i++)); do [ -d "/proc/$pid" ] || break; sleep 0.05; done
      [ -d "/proc/$pid" ] && kill -KILL "$pid" 2>/dev/null
    fi
    exit 0
  ) 9>"$_orv_state/lock"
}

orv_wine_status() {
  local ok=0 pid dir
  if [ -f "$_orv_state/prefix-ready" ]; then echo "prefix:     ready at $WINEPREFIX"
  else echo "prefix:     missing ($WINEPREFIX)"; ok=1; fi
  if _orv_x_alive; then read -r pid <"/tmp/.X$_orv_dispnum-lock"; echo "display:    $DISPLAY up (pid ${pid// /})"
  else echo "display:    $DISPLAY down"; ok=1; fi
  if _orv_server_alive; then read -r pid dir <"$_orv_state/wineserver"; echo "wineserver: up (pid $pid)"
  else echo "wineserver: down"; ok=1; fi
  return $ok
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  case ${1:-} in
    up) orv_wine_up && orv_wine_status ;;
    down) orv_wine_down ;;
    status) orv_wine_status ;;
    *) echo "usage: $0 up|down|status" >&2; exit 2 ;;
  esac
  exit
elif [ -z "${ORV_WINE_ENV_NOUP:-}" ]; then
  orv_wine_up || return 1
fi
