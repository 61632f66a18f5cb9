#!/usr/bin/env bash
# The interface table under Wine inside network namespaces of the test's own.
#
#   netns_iftable.sh DUMP.exe WORKDIR   the test
#   netns_iftable.sh --cleanup WORKDIR  removes what an interrupted run left (ctest cleanup)
#
# Two namespaces, kestrova-rig-a and kestrova-rig-b, joined by a veth pair (10.200.0.1 in a,
# 10.200.0.2 in b) and with IPv6 off, so that the only traffic is what this test sends from a
# to b. A wineserver of a prefix of its own is started inside a (Wine answers GetIfTable from
# a service that lives where the wineserver started), then the dump program prints row 2 of
# the table, which must be the veth end (lo is row 1) with exactly the kernel's counters
# from /proc/net/dev of that namespace.
set -uo pipefail

WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
ns_a=kestrova-rig-a
ns_b=kestrova-rig-b
# shellcheck source=netns_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/netns_lib.sh"

if [ "${1:-}" = --cleanup ]; then
  dump=""
  work=${2:?usage: netns_iftable.sh --cleanup WORKDIR}
else
  dump=${1:?usage: netns_iftable.sh DUMP.exe WORKDIR}
  work=${2:?usage: netns_iftable.sh DUMP.exe WORKDIR}
fi
mkdir -p "$work"
work=$(cd "$work" && pwd)
prefix=$work/prefix

fail() { echo "netns_iftable: FAIL: $*" >&2; exit 1; }

cleanup() {
  if [ -d "$prefix" ]; then
    WINEPREFIX=$prefix timeout 20 "$WINESERVER" -k </dev/null >/dev/null 2>&1
    WINEPREFIX=$prefix timeout 20 "$WINESERVER" -w </dev/null >/dev/null 2>&1
  fi
  netns_pair_down "$ns_a" "$ns_b"
  rm -rf "$prefix" "$work/dump.out"
}

if [ -z "$dump" ]; then
  cleanup
  exit 0
fi

# Without the right to make network namespaces the test cannot run: it says so and ends with
# the code that ctest counts as a skip (SKIP_RETURN_CODE), not as a pass.
netns_can_run || { echo "netns_iftable: skipped: $netns_why"; exit "$NETNS_SKIP"; }
trap cleanup EXIT
trap 'exit 130' INT TERM
cleanup

in_a() { ip netns exec "$ns_a" "$@"; }
wine_a() { in_a env -u DISPLAY WINEPREFIX="$prefix" WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=" \
  LANG=C LC_ALL=C "$@"; }

# Kernel counters of the veth end in a: "rx tx" bytes.
counters() {
  in_a cat /proc/net/dev | awk -F'[: ]+' '$2 == "kva" { print $3, $11 }'
}

netns_pair_up "$ns_a" "$ns_b" kva kvb 10.200.0.1 10.200.0.2 || fail "setting up the namespaces"

# Wine first from inside a: the wineserver, then the prefix's first processes. The prefix is a
# copy of the run's prepared one (KESTROVA_WINE_TEMPLATE) when there is one.
template=${KESTROVA_WINE_TEMPLATE:-}
if [ -n "$template" ] && [ -f "$template/.ready" ]; then
  cp -a "$template" "$prefix" || fail "copying the prepared prefix"
  rm -f "$prefix/.ready"
fi
mkdir -p "$prefix"
wine_a setsid "$WINESERVER" -p </dev/null >/dev/null 2>&1
wine_a timeout 180 "$WINE" cmd /c exit </dev/null >/dev/null 2>&1 || fail "warming the prefix in $ns_a"

# Traffic between the test's own namespaces only: five 100-byte UDP datagrams from a to b
# (b answers each with an ICMP port-unreachable; ARP comes first).
for _ in 1 2 3 4 5; do
  in_a bash -c 'printf "%0100d" 0 >/dev/udp/10.200.0.2/9' || fail "UDP send"
done
# Until the counters hold still (replies arrive within milliseconds), at most 10 s.
prev=""
deadline=$((SECONDS + 10))
while :; do
  now=$(counters)
  [ -n "$now" ] && [ "$now" = "$prev" ] && break
  ((SECONDS < deadline)) || fail "counters of kva do not settle: $now"
  prev=$now
  sleep 0.3
done
read -r rx tx <<<"$now"
((tx >= 5 * (100 + 42))) || fail "kernel shows only $tx bytes sent on kva"

wine_a timeout 60 "$WINE" "$dump" </dev/null 2>&1 | tr -d '\r' >"$work/dump.out"
[ "${PIPESTATUS[0]}" -eq 0 ] || {
  cat "$work/dump.out"; fail "the dump program failed"; }
cat "$work/dump.out"
after=$(counters)
ifindex=$(in_a cat /sys/class/net/kva/ifindex)

read -r _ rows _ < <(grep '^rows ' "$work/dump.out")
read -r _ _ index _ in _ out < <(grep '^row2 ' "$work/dump.out")
echo "kernel: kva ifindex $ifindex rx $rx tx $tx (after the dump: $after)"
[ "${rows:-0}" -eq 2 ] || fail "expected 2 rows (lo, kva), Wine gave ${rows:-none}"
[ "${index:-}" = "$ifindex" ] || fail "row 2 has index ${index:-none}, kva has $ifindex"
[ "$after" = "$now" ] || fail "traffic during the dump: $now -> $after"
[ "${in:-}" = "$rx" ] || fail "row 2 dwInOctets ${in:-none} != kernel rx $rx"
[ "${out:-}" = "$tx" ] || fail "row 2 dwOutOctets ${out:-none} != kernel tx $tx"
echo "netns_iftable: row 2 is kva with in=$in out=$out, as the kernel counts"
