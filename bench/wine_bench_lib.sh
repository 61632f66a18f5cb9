# Shared by the Wine benchmarks (sourced): a private Wine environment (tests/wine/winenv.sh:
# its own Xvfb, prefix and wineserver), programs started in it, and figures read from the
# Linux side through /proc.
#
# Expects: root (the repository), work (the environment's folder). Sets WINEPREFIX, DISPLAY.

WINE=${WINE:-/usr/lib/wine/wine64}
winenv=$root/tests/wine/winenv.sh
started_pids=()

bench_env_up() {
  bash "$winenv" start "$work" || return 1
  WINEPREFIX=$(sed -n 's/^WINEPREFIX=//p' "$work/state")
  DISPLAY=$(sed -n 's/^DISPLAY=//p' "$work/state")
  XVFB_PID=$(sed -n 's/^XVFB_PID=//p' "$work/state")
  export WINEPREFIX DISPLAY WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
  export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
}

# Ends the programs started here (by pid), then the environment (its wineserver and Xvfb).
bench_env_down() {
  local p
  for p in "${started_pids[@]}"; do kill "$p" 2>/dev/null; done
  bash "$winenv" stop "$work" >/dev/null 2>&1
}

# Starts a Windows program in the environment; its Unix pid in started_pid.
bench_start() {
  "$WINE" "$@" </dev/null >/dev/null 2>&1 &
  started_pid=$!
  started_pids+=("$started_pid")
}

bench_stop() {
  kill "$1" 2>/dev/null
  local deadline=$((SECONDS + 10))
  while [ -d "/proc/$1" ] && ((SECONDS < deadline)); do sleep 0.1; done
}

# The processes of this prefix whose comm is one of the names given (wineserver64,
# winedevice.exe, ...), found by the WINEPREFIX in their environment.
prefix_pids() {
  local p comm
  for p in /proc/[0-9]*; do
    comm=$(cat "$p/comm" 2>/dev/null) || continue
    local name match=""
    for name in "$@"; do [ "$comm" = "$name" ] && match=1; done
    [ -n "$match" ] || continue
    tr '\0' '\n' <"$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "${p#/proc/}"
  done
}

# utime + stime of the processes given, in clock ticks (children not counted).
cpu_ticks() {
  local total=0 p fields
  for p in "$@"; do
    # The fields after the command name's closing parenthesis: utime is the 12th, stime the 13th.
    fields=$(sed 's/.*) //' "/proc/$p/stat" 2>/dev/null) || continue
    read -r -a f <<<"$fields"
    total=$((total + f[11] + f[12]))
  done
  echo "$total"
}

# VmRSS of a process in kB.
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null; }
