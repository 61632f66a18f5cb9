#!/usr/bin/env bash
# The running program's traffic readouts inside network namespaces of the test's own.
#
#   netns_monitor.sh DRIVER.exe WORKDIR   the test
#   netns_monitor.sh --cleanup WORKDIR    removes what an interrupted run left (ctest cleanup)
#
# Two namespaces, kestrova-mon-a and kestrova-mon-b, joined by a veth pair (10.201.0.1 on kma
# in a, 10.201.0.2 on kmb in b), IPv6 off. The whole Wine environment of tests/wine/winenv.sh
# (its own Xvfb, prefix and wineserver, in WORKDIR/wine) starts inside a, so the interface
# table the program reads is that of a: lo, then kma as row 2. The driver (netns_traffic.cpp)
# starts Kestrova there, sends UDP datagrams from a to b only and checks the readouts against
# /proc/net/dev of a.
#
# The 32-bit tier runs it with names and addresses of its own and its own Wine environment:
# KESTROVA_NS_A, KESTROVA_NS_B, KESTROVA_NS_ADDR_A, KESTROVA_NS_ADDR_B, KESTROVA_WINENV (a
# script with winenv.sh's start|stop DIR) and KESTROVA_EMULATOR (emulator.sh's DIR PROGRAM).
set -uo pipefail

ns_a=${KESTROVA_NS_A:-kestrova-mon-a}
ns_b=${KESTROVA_NS_B:-kestrova-mon-b}
addr_a=${KESTROVA_NS_ADDR_A:-10.201.0.1}
addr_b=${KESTROVA_NS_ADDR_B:-10.201.0.2}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
winenv=${KESTROVA_WINENV:-$here/../wine/winenv.sh}
emulator=${KESTROVA_EMULATOR:-$here/../wine/emulator.sh}
# shellcheck source=netns_lib.sh
source "$here/netns_lib.sh"

if [ "${1:-}" = --cleanup ]; then
  driver=""
  work=${2:?usage: netns_monitor.sh --cleanup WORKDIR}
else
  driver=${1:?usage: netns_monitor.sh DRIVER.exe WORKDIR}
  work=${2:?usage: netns_monitor.sh DRIVER.exe WORKDIR}
fi
mkdir -p "$work"
work=$(cd "$work" && pwd)

fail() { echo "netns_monitor: FAIL: $*" >&2; exit 1; }

cleanup() {
  # The Wine environment's own stop: its wineserver (and with it Kestrova), its Xvfb by pid.
  bash "$winenv" stop "$work/wine" >/dev/null 2>&1
  netns_pair_down "$ns_a" "$ns_b"
}

if [ -z "$driver" ]; then
  cleanup
  exit 0
fi

# Without the right to make network namespaces the test cannot run: it says so and ends with
# the code that ctest counts as a skip (SKIP_RETURN_CODE), not as a pass.
netns_can_run || { echo "netns_monitor: skipped: $netns_why"; exit "$NETNS_SKIP"; }
trap cleanup EXIT
trap 'exit 130' INT TERM
cleanup

netns_pair_up "$ns_a" "$ns_b" kma kmb "$addr_a" "$addr_b" || fail "setting up the namespaces"

# One datagram before the program starts, so that both counters of kma are past 0 at its first
# tick (the display takes a previous count of 0 as "no baseline yet").
ip netns exec "$ns_a" bash -c 'printf "%0100d" 0 >/dev/udp/'"$addr_b"'/9' || fail "UDP send"

ip netns exec "$ns_a" bash "$winenv" start "$work/wine" || fail "starting Wine in $ns_a"

ip netns exec "$ns_a" env KESTROVA_VETH=kma KESTROVA_PEER="$addr_b" KESTROVA_LANG=zh_CN.UTF-8 \
  timeout "${KESTROVA_DRIVER_TIMEOUT:-150}" bash "$emulator" "$work/wine" "$driver" </dev/null 2>&1 | tr -d '\r'
rc=${PIPESTATUS[0]}
[ "$rc" -eq 0 ] || fail "the driver failed (exit $rc)"
echo "netns_monitor: the readouts followed the kernel's count on kma"
