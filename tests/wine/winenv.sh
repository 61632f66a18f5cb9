#!/usr/bin/env bash
# A private Wine environment for the Win32 and end-to-end tiers: an Xvfb of its own, a
# WINEPREFIX inside the build folder and a persistent wineserver for that prefix.
#
#   winenv.sh start DIR   creates DIR/prefix, starts Xvfb and the wineserver, warms the prefix,
#                         sets the registry values the tests need, writes DIR/state
#   winenv.sh stop DIR    kills the wineserver (and every wine process of the prefix) and
#                         Xvfb, removes the prefix and the state file; safe to run at any time
#
# DIR/state is read by tests/wine/emulator.sh: WINEPREFIX=, DISPLAY=, XVFB_PID=.
# Environment: WINE (default /usr/lib/wine/wine64), WINESERVER (/usr/lib/wine/wineserver),
# WINEARCH (win64; tests/wine32/runtime.sh passes the 32-bit Wine and win32),
# KESTROVA_SCREEN (default 1024x768x24: an odd width difference, so the centring's
# truncation shows).
set -uo pipefail

cmd=${1:?usage: winenv.sh start|stop DIR}
dir=${2:?usage: winenv.sh start|stop DIR}
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

  # Without a window manager every hide or destroy of a top-level window would stall 2 s;
  # the Chinese UI fonts map to a CJK font that Debian ships, for deterministic glyphs.
  local reg=$dir/settings.reg
  printf '%s\r\n' \
    'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"宋体"="WenQuanYi Micro Hei"' '"SimSun"="WenQuanYi Micro Hei"' \
    '"新宋体"="WenQuanYi Micro Hei"' '"NSimSun"="WenQuanYi Micro Hei"' '' |
    { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$reg"
  if ! timeout 60 "$WINE" regedit /S "Z:${reg//\//\\}" </dev/null >/dev/null 2>&1; then
    log "setting the registry failed"; stop; return 1
  fi
  rm -f "$reg"

  printf 'WINEPREFIX=%s\nDISPLAY=%s\nXVFB_PID=%s\n' "$prefix" "$display" "$xvfb_pid" >"$state"
  log "ready: DISPLAY=$display WINEPREFIX=$prefix"
}

case "$cmd" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: winenv.sh start|stop DIR" >&2; exit 2 ;;
esac
