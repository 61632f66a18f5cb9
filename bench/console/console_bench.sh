#!/usr/bin/env bash
# The console benchmark under Wine 64 (bench/README-console.md). Needs the win64 build.
#
#   bench/console/console_bench.sh [SECONDS]      (default 20 s a run)
#
# Starts a private Xvfb, prefix and wineserver in build/win64/bench-wine (the tests' rig),
# runs the driver and ends everything it started, also when interrupted.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build/win64
dir=$build/bench-wine
seconds=${1:-20}

for f in Kestrova.exe bench/console/kestrova_console_bench.exe \
         bench/console/kestrova_console_bench_driver.exe fixtures/ping.exe; do
  [ -f "$build/$f" ] || { echo "missing $build/$f: cmake --build --preset win64" >&2; exit 2; }
done

trap 'bash "$root/tests/wine/winenv.sh" stop "$dir" >/dev/null 2>&1 || true' EXIT
trap 'exit 130' INT TERM
bash "$root/tests/wine/winenv.sh" start "$dir" >/dev/null 2>&1
prefix=$(sed -n 's/^WINEPREFIX=//p' "$dir/state")

# This prefix's wineserver, for its share of the work (each server call is done there).
server=0
for p in /proc/[0-9]*; do
  case "$(cat "$p/comm" 2>/dev/null)" in wineserver*) ;; *) continue ;; esac
  if tr '\0' '\n' <"$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$prefix"; then
    server=${p#/proc/}
  fi
done

"$root/tests/wine/emulator.sh" "$dir" "$build/bench/console/kestrova_console_bench_driver.exe" \
  "$build/Kestrova.exe" "$build/bench/console/kestrova_console_bench.exe" \
  "$(getconf CLK_TCK)" "$server" "$seconds" "${KESTROVA_LATENCY_INTERVAL_MS:-100}"
