#!/usr/bin/env bash
# Installs what is missing, builds the win64 preset and starts Kestrova under Wine 64.
#
# With a DISPLAY it runs on that display until the window is closed. Without one (a headless
# machine, CI) it starts a private Xvfb and a private prefix in build/run (tests/wine/winenv.sh),
# lets the program run a few seconds, writes build/screenshot.png (the window, cropped) and
# ends everything it started.
#
#   scripts/run.sh           the window as it starts: build/screenshot.png
#   scripts/run.sh --panel   the same after a click on the background-settings button, which
#                            shows the panel: build/screenshot-panel.png
set -euo pipefail
panel=0
shot=build/screenshot.png
case "${1:-}" in
  --panel) panel=1 shot=build/screenshot-panel.png ;;
  "") ;;
  *) echo "usage: scripts/run.sh [--panel]" >&2; exit 2 ;;
esac
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "${KESTROVA_JOBS:-2}" --target Kestrova
exe=build/win64/Kestrova.exe
WINE=${WINE:-/usr/lib/wine/wine64}

if [ -n "${DISPLAY:-}" ]; then
  exec env WINEDEBUG=-all "$WINE" "$exe"
fi

dir=build/run
cleanup() { bash tests/wine/winenv.sh stop "$dir" || true; }
trap cleanup EXIT
trap 'exit 130' INT TERM
bash tests/wine/winenv.sh start "$dir"
DISPLAY=$(sed -n 's/^DISPLAY=//p' "$dir/state")
export DISPLAY

bash tests/wine/emulator.sh "$dir" "$exe" </dev/null >"$dir/kestrova.log" 2>&1 &
program=$!

# Until Wine has mapped the window named Kestrova (at most 30 s).
geometry=""
for _ in $(seq 300); do
  if info=$(xwininfo -name Kestrova 2>/dev/null) && grep -q 'Map State: IsViewable' <<<"$info"; then
    x=$(awk '/Absolute upper-left X/ { print $4 }' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ { print $4 }' <<<"$info")
    w=$(awk '/Width:/ { print $2 }' <<<"$info")
    h=$(awk '/Height:/ { print $2 }' <<<"$info")
    geometry=${w}x${h}+${x}+${y}
    break
  fi
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$geometry" ]; then
  echo "run: the Kestrova window did not appear" >&2
  cat "$dir/kestrova.log" >&2
  exit 1
fi

if ((panel)); then
  # The background-settings button (图形按钮4) at 406,5 in the window, 15 by 15; then the mouse
  # goes off the window so that no control is shown under it.
  xdotool mousemove $((x + 413)) $((y + 12)) click 1 mousemove 0 0
fi

# A few seconds of running: the timers tick, the readouts fill in.
sleep "${KESTROVA_RUN_SECONDS:-4}"
import -display "$DISPLAY" -window root -crop "$geometry" +repage "$shot"
echo "run: window $geometry; screenshot in $shot"
# The stop in the trap ends the program with every process of the prefix, then Xvfb.
