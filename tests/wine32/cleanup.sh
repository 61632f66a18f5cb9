#!/usr/bin/env bash
# Ends whatever the 32-bit tier left when ctest itself was interrupted (scripts/test.sh's EXIT
# trap): the network-namespace test's Wine and namespaces, the tier's Wine environment and its
# binfmt_misc entry.
#
#   cleanup.sh BUILD_DIR    e.g. build/win32
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?usage: cleanup.sh BUILD_DIR}
KESTROVA_NS_A=kestrova-w32-a KESTROVA_NS_B=kestrova-w32-b \
  KESTROVA_WINENV=$here/runtime.sh KESTROVA_WINE32_BINFMT=0 \
  bash "$here/../e2e/netns_monitor.sh" --cleanup "$build/wine32/netns-monitor"
bash "$here/runtime.sh" stop "$build/wine32"
