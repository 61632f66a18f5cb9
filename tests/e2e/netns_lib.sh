# Network namespaces of a test's own, for the scripts that run Wine inside them (sourced).
#
#   netns_pair_up NS_A NS_B IF_A IF_B ADDR_A ADDR_B   two namespaces joined by a veth pair
#   netns_pair_down NS...                             ends what runs in them and deletes them
#   netns_can_run                                     whether namespaces can be made here (root
#                                                     and the right to unshare the network);
#                                                     if not, $netns_why says why
#
# A test that cannot run exits with $NETNS_SKIP, the SKIP_RETURN_CODE of the netns tests.
#
# The pair is made inside NS_A with its peer placed in NS_B, so nothing touches the host's
# namespace; each end gets its address in a /24, IPv6 is off (so nothing talks by itself),
# the neighbours are permanent (no ARP) and lo is up. Returns non-zero on the first step that
# fails.

NETNS_SKIP=77

netns_can_run() {
  if [ "$(id -u)" -ne 0 ]; then
    netns_why="needs root for ip netns"
    return 1
  fi
  if ! command -v ip >/dev/null || ! unshare --net true 2>/dev/null; then
    netns_why="cannot make a network namespace here (no ip, or no right to unshare the network)"
    return 1
  fi
  return 0
}

netns_pair_up() {
  local ns_a=$1 ns_b=$2 if_a=$3 if_b=$4 addr_a=$5 addr_b=$6 ns
  ip netns add "$ns_a" || return 1
  ip netns add "$ns_b" || return 1
  for ns in "$ns_a" "$ns_b"; do
    ip netns exec "$ns" sysctl -q -w net.ipv6.conf.all.disable_ipv6=1 \
      net.ipv6.conf.default.disable_ipv6=1 >/dev/null || return 1
  done
  ip -n "$ns_a" link add "$if_a" type veth peer name "$if_b" netns "$ns_b" || return 1
  ip -n "$ns_a" addr add "$addr_a/24" dev "$if_a" || return 1
  ip -n "$ns_b" addr add "$addr_b/24" dev "$if_b" || return 1
  ip -n "$ns_a" link set lo up && ip -n "$ns_b" link set lo up || return 1
  ip -n "$ns_a" link set "$if_a" up && ip -n "$ns_b" link set "$if_b" up || return 1
  # Each end knows the other's hardware address for good: no ARP request, probe or reply ever
  # crosses the pair, so the counters move only with what a test sends (a probe of a stale
  # entry once landed in the tick a test measured).
  local mac_a mac_b
  mac_a=$(ip -n "$ns_a" -o link show "$if_a" | sed -n 's/.*link\/ether \([0-9a-f:]*\).*/\1/p')
  mac_b=$(ip -n "$ns_b" -o link show "$if_b" | sed -n 's/.*link\/ether \([0-9a-f:]*\).*/\1/p')
  [ -n "$mac_a" ] && [ -n "$mac_b" ] || return 1
  ip -n "$ns_a" neigh replace "$addr_b" lladdr "$mac_b" dev "$if_a" nud permanent &&
    ip -n "$ns_b" neigh replace "$addr_a" lladdr "$mac_a" dev "$if_b" nud permanent
}

netns_pair_down() {
  local ns
  for ns in "$@"; do
    if ip netns list | grep -qw "$ns"; then
      # Anything still running in the namespace (a wine process its server lost) ends too.
      ip netns pids "$ns" 2>/dev/null | xargs -r kill -9 2>/dev/null
      ip netns del "$ns" 2>/dev/null
    fi
  done
  return 0
}
