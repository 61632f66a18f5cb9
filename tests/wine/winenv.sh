#!/usr/bin/env bash
# A private Wine environment for the Win32 and end-to-end tiers: an Xvfb of its own, a
# WINEPREFIX inside the build folder and a persistent wineserver for that prefix.
#
#   winenv.sh prepare TEMPLATE  creates a prefix in TEMPLATE once for the run: made, warmed,
#                               the registry values the tests need set, its server ended (so
#                               the registry is on disk); then TEMPLATE/.ready
#   winenv.sh unprepare TEMPLATE  removes it (its server first)
#   winenv.sh start DIR   DIR/prefix as a copy of $KESTROVA_WINE_TEMPLATE when that is ready
#                         (else made and set up in place, as prepare does), starts Xvfb and
#                         the wineserver, warms the prefix, writes DIR/state
#   winenv.sh stop DIR    kills the wineserver (and every wine process of the prefix) and
#                         Xvfb, removes the prefix and the state file; safe to run at any time
#
# DIR/state is read by tests/wine/emulator.sh: WINEPREFIX=, DISPLAY=, XVFB_PID=.
# Environment: WINE (default /usr/lib/wine/wine64), WINESERVER (/usr/lib/wine/wineserver),
# WINEARCH (win64; tests/wine32/runtime.sh passes the 32-bit Wine and win32),
# KESTROVA_SCREEN (default 1024x768x24: an odd width difference, so the centring's
# truncation shows), KESTROVA_WINE_TEMPLATE (the run's prepared prefix, if any).
set -uo pipefail

cmd=${1:?usage: winenv.sh start|stop|prepare|unprepare DIR}
dir=${2:?usage: winenv.sh start|stop|prepare|unprepare DIR}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
prefix=$dir/prefix
state=$dir/state
WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
screen=${KESTROVA_SCREEN:-1024x768x24}

log() { echo "winenv: $*" >&2; }

# Waits up to $1 seconds for the command that follows to succeed.
wait_for() {
  local limit=$1
  shift
  local deadline=$((SECONDS + limit))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

is_xvfb() { [ -n "${1:-}" ] && [ "$(cat "/proc/$1/comm" 2>/dev/null)" = Xvfb ]; }

# Sets the registry values the tests need in $WINEPREFIX (its server running). Without a window
# manager every hide or destroy of a top-level window would stall 2 s; the Chinese UI fonts map
# to a CJK font that Debian ships, for deterministic glyphs.
set_registry() {
  local reg=$1/settings.reg
  printf '%s\r\n' \
    'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"宋体"="WenQuanYi Micro Hei"' '"SimSun"="WenQuanYi Micro Hei"' \
    '"新宋体"="WenQuanYi Micro Hei"' '"NSimSun"="WenQuanYi Micro Hei"' '' |
    { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$reg"
  timeout 60 "$WINE" regedit /S "Z:${reg//\//\\}" </dev/null >/dev/null 2>&1
  local rc=$?
  rm -f "$reg"
  return $rc
}

unprepare() {
  if [ -d "$dir" ]; then
    WINEPREFIX=$dir timeout 20 "$WINESERVER" -k </dev/null >/dev/null 2>&1
    WINEPREFIX=$dir timeout 20 "$WINESERVER" -w </dev/null >/dev/null 2>&1
  fi
  rm -rf "$dir"
}

prepare() {
  unprepare
  mkdir -p "$dir"
  export WINEPREFIX=$dir WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
  unset DISPLAY
  # No display: each copy's own server starts the desktop later, with its display. The server
  # here is the transient one that the first wine process starts (stdio on /dev/null).
  if ! timeout 180 "$WINE" cmd /c exit </dev/null >/dev/null 2>&1; then
    log "creating the prepared prefix failed"; unprepare; return 1
  fi
  if ! set_registry "$dir"; then
    log "setting the registry failed"; unprepare; return 1
  fi
  # The server writes the registry to the prefix's files as it ends, a few seconds after its
  # last program.
  if ! timeout 60 "$WINESERVER" -w </dev/null >/dev/null 2>&1; then
    log "the prepared prefix's server did not end"; unprepare; return 1
  fi
  grep -q '"Managed"="N"' "$dir/user.reg" || { log "the registry was not saved"; unprepare; return 1; }
  : >"$dir/.ready"
  log "prepared: $dir"
}

stop() {
  local xvfb_pid=""
  if [ -f "$state" ]; then
    xvfb_pid=$(sed -n 's/^XVFB_PID=//p' "$state")
  fi
  if [ -d "$prefix" ]; then
    # -k kills every process of the prefix and the server; -w waits until it is gone.
    WINEPREFIX=$prefix timeout 20 "$WINESERVER" -k </dev/null >/dev/null 2>&1
    WINEPREFIX=$prefix timeout 20 "$WINESERVER" -w </dev/null >/dev/null 2>&1
  fi
  # The listing prefix's transient server (tests/wine/emulator.sh) ends 3 s after its last
  # process; it is ended here at once so that nothing outlives the run.
  if [ -d "$dir/list-prefix" ]; then
    WINEPREFIX=$dir/list-prefix timeout 20 "$WINESERVER" -k </dev/null >/dev/null 2>&1
  fi
  if is_xvfb "$xvfb_pid"; then
    kill "$xvfb_pid" 2>/dev/null
    wait_for 10 bash -c "! [ -d /proc/$xvfb_pid ]" || kill -9 "$xvfb_pid" 2>/dev/null
  fi
  rm -rf "$prefix" "$state" "$dir/display"
  return 0
}

start() {
  stop  # the leftovers of an interrupted run, if any
  local template=${KESTROVA_WINE_TEMPLATE:-}
  local copied=""
  if [ -n "$template" ] && [ -f "$template/.ready" ]; then
    cp -a "$template" "$prefix" || { log "copying the prepared prefix failed"; stop; return 1; }
    rm -f "$prefix/.ready"
    copied=1
  fi
  mkdir -p "$prefix"

  # Xvfb picks a free display and writes its number to the file once it accepts clients.
  : >"$dir/display"
  setsid Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp \
    </dev/null >"$dir/xvfb.log" 2>&1 3>"$dir/display" &
  local xvfb_pid=$!
  printf 'XVFB_PID=%s\n' "$xvfb_pid" >"$state"
  if ! wait_for 20 grep -q '[0-9]' "$dir/display"; then
    log "Xvfb did not start"; cat "$dir/xvfb.log" >&2; stop; return 1
  fi
  local display=:$(tr -dc 0-9 <"$dir/display")

  export WINEPREFIX=$prefix DISPLAY=$display WINEDEBUG=-all WINEARCH=${WINEARCH:-win64}
  # No Mono or Gecko installer dialogs during the prefix's creation.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  # The wineserver and the prefix's first processes (explorer, services) get /dev/null as
  # stdio, so nothing keeps a pipe of ctest's open; setsid: no terminal, no process group.
  setsid "$WINESERVER" -p </dev/null >/dev/null 2>&1
  if ! timeout 180 "$WINE" cmd /c exit </dev/null >/dev/null 2>&1; then
    log "warming the prefix failed"; stop; return 1
  fi

  if [ -z "$copied" ] && ! set_registry "$dir"; then
    log "setting the registry failed"; stop; return 1
  fi

  printf 'WINEPREFIX=%s\nDISPLAY=%s\nXVFB_PID=%s\n' "$prefix" "$display" "$xvfb_pid" >"$state"
  log "ready: DISPLAY=$display WINEPREFIX=$prefix${copied:+ (a copy of $template)}"
}

case "$cmd" in
  start) start ;;
  stop) stop ;;
  prepare) prepare ;;
  unprepare) unprepare ;;
  *) echo "usage: winenv.sh start|stop|prepare|unprepare DIR" >&2; exit 2 ;;
esac
