#!/usr/bin/env bash
# CROSSCOMPILING_EMULATOR of the win64 tests: runs a Windows test program under Wine 64.
#
#   emulator.sh DIR PROGRAM.exe [ARGS...]
#
# With DIR/state present (the ctest fixture of tests/wine/winenv.sh is up) the program runs in
# that prefix, on that Xvfb. Without it (gtest_discover_tests listing the tests before the
# fixture exists) it runs in a listing prefix of its own without a display; its output then
# goes through a file, so that the transient wineserver, which inherits the program's stdio,
# keeps no pipe of the caller open.
#
# Environment: KESTROVA_LANG (default zh_CN.UTF-8) becomes LANG and LC_ALL, so that a test
# can ask for the Western locale (C: ANSI code page 1252; zh_CN.UTF-8: 936). WINE, WINESERVER
# and WINEARCH (default win64) choose the Wine (tests/wine32/emulator32.sh: the 32-bit one).
set -uo pipefail

dir=${1:?usage: emulator.sh DIR PROGRAM [ARGS...]}
shift
WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}

export WINEDEBUG=-all WINEARCH=${WINEARCH:-win64} WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=${KESTROVA_LANG:-zh_CN.UTF-8}
export LC_ALL=$LANG
unset LANGUAGE

if [ -f "$dir/state" ]; then
  WINEPREFIX=$(sed -n 's/^WINEPREFIX=//p' "$dir/state")
  DISPLAY=$(sed -n 's/^DISPLAY=//p' "$dir/state")
  export WINEPREFIX DISPLAY
  # The program's output goes through a file, not straight to ctest's pipe: a Wine process
  # that the program starts in the background (the desktop's explorer.exe, which Wine restarts
  # from whichever process needs the desktop once the old one has ended) inherits the
  # program's standard handles, and would hold ctest's pipe open, and the test with it, until
  # the fixture stops. Ended by ctest (a timeout), it still prints what it has.
  out=$(mktemp)
  "$WINE" "$@" </dev/null >"$out" 2>&1 &
  program=$!
  trap 'kill "$program" 2>/dev/null; cat "$out"; rm -f "$out"; exit 143' TERM INT
  wait "$program"
  rc=$?
  cat "$out"
  rm -f "$out"
  exit $rc
fi

# Listing mode: no display, a prefix that outlives the run (its creation costs seconds).
export WINEPREFIX=$dir/list-prefix
unset DISPLAY
mkdir -p "$WINEPREFIX"
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$WINE" "$@" </dev/null >"$out" 2>&1
rc=$?
cat "$out"
exit $rc
