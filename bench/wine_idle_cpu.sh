#!/usr/bin/env bash
# Kestrova's own processor time while it sits idle under Wine, beside a yardstick program
# (bench/idle_baseline.cpp) that does only the least work a tick needs, measured one after
# the other in the same private Wine environment.
#
#   bench/wine_idle_cpu.sh [SECONDS]   (default 60; needs the win64 build)
#
# Counted for each: the program's own process, the prefix's wineserver (timers and messages
# pass through it) and its winedevice.exe processes (they answer the interface table), as
# utime + stime from /proc/PID/stat before and after the run. Xvfb, which draws for both, is
# printed beside. Target: Kestrova / yardstick <= 1.3.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
work=$root/build/win64/bench-wine
kestrova=$root/build/win64/Kestrova.exe
baseline=$root/build/win64/bench/idle_baseline.exe
[ -f "$kestrova" ] && [ -f "$baseline" ] || { echo "build the win64 preset first" >&2; exit 1; }
# shellcheck source=wine_bench_lib.sh
source "$root/bench/wine_bench_lib.sh"
trap bench_env_down EXIT
trap 'exit 130' INT TERM
bench_env_up || exit 1
hz=$(getconf CLK_TCK)

# Runs one program for the given time after a warm-up; prints "own helpers xvfb" in ticks.
measure() {
  bench_start "$1"
  local pid=$started_pid
  sleep 8  # start-up and the first ticks are not idle time
  [ -d "/proc/$pid" ] || { echo "$1 ended early" >&2; return 1; }
  local -a helpers
  mapfile -t helpers < <(prefix_pids wineserver64 wineserver winedevice.exe)
  local own0 help0 x0 own1 help1 x1
  own0=$(cpu_ticks "$pid"); help0=$(cpu_ticks "${helpers[@]}"); x0=$(cpu_ticks "$XVFB_PID")
  sleep "$seconds"
  own1=$(cpu_ticks "$pid"); help1=$(cpu_ticks "${helpers[@]}"); x1=$(cpu_ticks "$XVFB_PID")
  bench_stop "$pid"
  echo "$((own1 - own0)) $((help1 - help0)) $((x1 - x0))"
}

read -r k_own k_help k_x < <(measure "$kestrova") || exit 1
read -r b_own b_help b_x < <(measure "$baseline") || exit 1
awk -v s="$seconds" -v hz="$hz" -v ko="$k_own" -v kh="$k_help" -v kx="$k_x" \
  -v bo="$b_own" -v bh="$b_help" -v bx="$b_x" 'BEGIN {
  k = (ko + kh) / hz; b = (bo + bh) / hz
  printf "idle under Wine for %d s (processor seconds; program + wineserver + winedevice.exe):\n", s
  printf "  Kestrova:  %.2f s (own %.2f, helpers %.2f) = %.2f%% of one core; Xvfb %.2f s\n", k, ko / hz, kh / hz, 100 * k / s, kx / hz
  printf "  yardstick: %.2f s (own %.2f, helpers %.2f) = %.2f%% of one core; Xvfb %.2f s\n", b, bo / hz, bh / hz, 100 * b / s, bx / hz
  if (b > 0) printf "  ratio Kestrova / yardstick: %.2f (target <= 1.3)\n", k / b
  else print "  ratio: yardstick used no measurable time"
}'
