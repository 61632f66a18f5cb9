#!/usr/bin/env bash
# Runs a 32-bit Windows test program in the 32-bit tier's Wine environment:
#
#   emulator32.sh DIR PROGRAM.exe [ARGS...]
#
# DIR is that of tests/wine32/runtime.sh (its state file names the prefix and the display);
# the rest is tests/wine/emulator.sh with the 32-bit Wine of tests/wine32/env.sh.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=env.sh
source "$here/env.sh" || exit 1
[ -f "${1:?usage: emulator32.sh DIR PROGRAM [ARGS...]}/state" ] ||
  { echo "emulator32: the 32-bit tier's Wine is not up (win32rt.start)" >&2; exit 1; }
exec bash "$here/../wine/emulator.sh" "$@"
