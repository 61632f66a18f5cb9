#!/usr/bin/env bash
# Whether the running Kestrova grows while it ticks: its resident memory (VmRSS of its Linux
# process) and its handles as the wineserver counts them (bench/handle_count.cpp: the system
# handle table's entries it owns), sampled over a run in a private Wine environment. Wine's
# GetGuiResources answers 0, so GDI and USER objects cannot be counted there.
#
#   bench/wine_no_growth.sh [SECONDS] [INTERVAL]   (defaults 600 and 20; needs the win64 build)
#
# Prints the first and last figures and the least-squares slope of each (per minute), over the
# samples after a 30 s settling time.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
interval=${2:-20}
work=$root/build/win64/bench-wine-growth
kestrova=$root/build/win64/Kestrova.exe
counter=$root/build/win64/bench/handle_count.exe
[ -f "$kestrova" ] && [ -f "$counter" ] || { echo "build the win64 preset first" >&2; exit 1; }
# shellcheck source=wine_bench_lib.sh
source "$root/bench/wine_bench_lib.sh"
trap bench_env_down EXIT
trap 'exit 130' INT TERM
bench_env_up || exit 1

bench_start "$kestrova"
pid=$started_pid
sleep 30
samples=$work/samples
: >"$samples"
start=$SECONDS
while :; do
  [ -d "/proc/$pid" ] || { echo "Kestrova ended during the run" >&2; exit 1; }
  t=$((SECONDS - start))
  handles=$("$WINE" "$counter" Kestrova.exe </dev/null 2>/dev/null | tr -d '\r' | awk '/^handles/ { print $2 }')
  echo "$t $(rss_kb "$pid") ${handles:-n/a}" | tee -a "$samples"
  ((t >= seconds)) && break
  sleep "$interval"
done
awk -v s="$seconds" 'function slope(n, sx, sy, sxx, sxy) { return n > 1 && n * sxx != sx * sx ? (n * sxy - sx * sy) / (n * sxx - sx * sx) : 0 }
  { t[NR] = $1; r[NR] = $2; h[NR] = $3
    sx += $1; sxx += $1 * $1; sr += $2; sxr += $1 * $2
    if ($3 != "n/a") { nh++; hx += $1; hxx += $1 * $1; sh += $3; sxh += $1 * $3 } }
  END {
    printf "Kestrova ticking under Wine for %d s, %d samples:\n", s, NR
    printf "  resident memory: first %d kB, last %d kB, slope %+.2f kB/min\n", r[1], r[NR], 60 * slope(NR, sx, sr, sxx, sxr)
    if (nh) printf "  handles (wineserver): first %s, last %s, slope %+.3f per min\n", h[1], h[NR], 60 * slope(nh, hx, sh, hxx, sxh)
    else print "  handles: not counted"
  }' "$samples"
