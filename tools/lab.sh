#!/usr/bin/env bash
# The test lab: an isolated network built from network namespaces, with no link to the
# host's own interfaces.
#
#   <prefix>-sw     the "switch": bridges br0 (192.168.50.0/24) and br1 (10.60.1.0/24)
#   <prefix>-tool   the tool host, named and set up as a Debian host is: a wired port enp1s0
#                   192.168.50.10 on br0, a Wi-Fi-like port wlp2s0 10.60.1.10 on br1, a VPN-like
#                   point-to-point tun0 10.99.0.1 (peer 10.99.0.2) held open by a helper,
#                   reverse-path filtering in Debian's loose mode (rp_filter 2) and a default
#                   route via 192.168.50.1 (no host has that address: nothing leaves the lab)
#   <prefix>-devN   device hosts with fixed MAC addresses on both subnets (table below); dev6
#                   is a device fresh from its box, at a factory address outside both subnets
#                   (192.168.1.64/24, gateway 192.168.1.1) on the link of wlp2s0
#
# Usage: lab.sh up | down | status
#        lab.sh exec CMD...          run CMD inside the tool host
#        lab.sh dev-exec N CMD...    run CMD inside device host N
#        lab.sh run CMD...           up, run CMD inside the tool host, and always tear down
#        lab.sh many N               add host <prefix>-many on br1 with N devices (N <= 200):
#                                    macvlan interfaces mv1..mvN, 10.60.1.40 upwards, each its own MAC
#        lab.sh many-specs N         print the simulator's --device spec of each of those N devices
#        lab.sh many-exec CMD...     run CMD inside that host
#        lab.sh many-down            remove that host and whatever runs in it
#        lab.sh fixture-up | fixture-down
#                                    what CTest runs: a lab under a prefix of its own, written
#                                    to $BM_LAB_FILE, so runs on one host never meet
#
# The prefix is $BM_LAB; else the one written to $BM_LAB_FILE; else "bmlab". Must run as root.
set -euo pipefail
. "$(dirname "$0")/lab-constants.sh"

if [ -n "${BM_LAB:-}" ]; then
  P=$BM_LAB
elif [ -n "${BM_LAB_FILE:-}" ] && [ -s "$BM_LAB_FILE" ]; then
  P=$(cat "$BM_LAB_FILE")
else
  P=bmlab
fi
[[ "$P" =~ ^[a-z][a-z0-9]{1,15}$ ]] || { echo "lab: unusable prefix '$P'" >&2; exit 1; }
SW="$P-sw"
TOOL="$P-tool"

# Tool host interfaces: name, address/prefix length, MAC, bridge.
TOOL_NICS=(
  "enp1s0 192.168.50.10/24 02:42:c0:a8:32:0a br0"
  "wlp2s0 10.60.1.10/24 02:42:0a:3c:01:0a br1"
)
# Tool host tunnel: name, address, peer address.
TOOL_TUNNEL="tun0 10.99.0.1 10.99.0.2"
# Tool host default route: gateway, interface.
TOOL_DEFAULT_ROUTE="192.168.50.1 enp1s0"
# Device hosts: number, address/prefix length, MAC, bridge[, default gateway].
DEVICES=(
  "1 192.168.50.21/24 02:00:5e:50:00:21 br0"
  "2 192.168.50.22/24 02:00:5e:50:00:22 br0"
  "3 10.60.1.31/24 02:00:5e:60:01:31 br1"
  "4 10.60.1.32/24 02:00:5e:60:01:32 br1"
  "5 192.168.50.40/24 02:00:5e:50:00:40 br0"
  "6 192.168.1.64/24 02:00:5e:01:00:64 br1 192.168.1.1"
)

die() { echo "lab: $*" >&2; exit 1; }
if [ "${1:-}" = many-specs ]; then
  for i in $(seq 1 "${2:?number of devices}"); do bm_many_spec "$i"; done
  exit 0
fi
[ "$(id -u)" -eq 0 ] || die "must run as root"
command -v ip >/dev/null || die "iproute2 (ip) is missing"

in_ns() { local ns=$1; shift; ip netns exec "$ns" "$@"; }

quiet_host() {
  # No IPv6 chatter (router solicitations, DAD) and loopback up, in every lab host.
  in_ns "$1" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1
  in_ns "$1" ip link set lo up
}

lab_namespaces() { ip netns list 2>/dev/null | awk '{print $1}' | grep -E "^$P-(sw|tool|dev[0-9]+|many)$" || true; }

down() {
  local ns
  for ns in $(lab_namespaces); do
    # Stop whatever still runs inside (simulators, a tool left behind) before the namespace goes.
    local pids
    pids=$(ip netns pids "$ns" 2>/dev/null || true)
    [ -z "$pids" ] || kill -9 $pids 2>/dev/null || true
    ip netns del "$ns" 2>/dev/null || true
  done
}

add_port() {
  # add_port NS IFNAME CIDR MAC BRIDGE SWITCHPORT
  local ns=$1 ifname=$2 cidr=$3 mac=$4 bridge=$5 swport=$6
  ip link add "$swport" netns "$SW" type veth peer name "$ifname" netns "$ns"
  in_ns "$ns" ip link set dev "$ifname" address "$mac"
  in_ns "$ns" ip addr add "$cidr" dev "$ifname"
  in_ns "$ns" ip link set dev "$ifname" up
  in_ns "$SW" ip link set dev "$swport" master "$bridge"
  in_ns "$SW" ip link set dev "$swport" up
}

add_tunnel() {
  # A VPN-like link: a tun device is up and running only while a process holds it open, and
  # what is sent into it goes to that process (which drops it), never out of the lab.
  local ifname local_ip peer_ip
  read -r ifname local_ip peer_ip <<<"$TOOL_TUNNEL"
  ip netns exec "$TOOL" perl -e '
    open(my $tun, "+<", "/dev/net/tun") or die "lab: /dev/net/tun: $!\n";
    # struct ifreq: the name, then the flags IFF_TUN | IFF_NO_PI, padded to 40 bytes.
    ioctl($tun, 0x400454ca, pack("a16 s x22", $ARGV[0], 0x0001 | 0x1000)) or die "lab: TUNSETIFF: $!\n";
    my $packet;
    1 while sysread($tun, $packet, 65536);' "$ifname" </dev/null >/dev/null 2>&1 &
  local _
  for _ in $(seq 1 50); do
    in_ns "$TOOL" ip link show dev "$ifname" >/dev/null 2>&1 && break
    sleep 0.1
  done
  in_ns "$TOOL" ip addr add "$local_ip" peer "$peer_ip" dev "$ifname"
  in_ns "$TOOL" ip link set dev "$ifname" up
}

up() {
  down
  ip netns add "$SW"
  quiet_host "$SW"
  local br
  for br in br0 br1; do
    in_ns "$SW" ip link add name "$br" type bridge
    in_ns "$SW" ip link set dev "$br" type bridge forward_delay 0 stp_state 0
    in_ns "$SW" ip link set dev "$br" up
  done

  ip netns add "$TOOL"
  quiet_host "$TOOL"
  # Debian's default (systemd's sysctl.d): loose reverse-path filtering, on every interface.
  in_ns "$TOOL" sysctl -qw net.ipv4.conf.all.rp_filter=2 net.ipv4.conf.default.rp_filter=2
  local i=0 line
  for line in "${TOOL_NICS[@]}"; do
    read -r ifname cidr mac bridge <<<"$line"
    add_port "$TOOL" "$ifname" "$cidr" "$mac" "$bridge" "t$i"
    i=$((i + 1))
  done
  add_tunnel
  read -r gateway ifname <<<"$TOOL_DEFAULT_ROUTE"
  in_ns "$TOOL" ip route add default via "$gateway" dev "$ifname"

  for line in "${DEVICES[@]}"; do
    read -r n cidr mac bridge gateway <<<"$line"
    ip netns add "$P-dev$n"
    quiet_host "$P-dev$n"
    add_port "$P-dev$n" eth0 "$cidr" "$mac" "$bridge" "d$n"
    [ -z "$gateway" ] || in_ns "$P-dev$n" ip route add default via "$gateway" dev eth0
  done
  echo "lab $P is up: tool host $TOOL, ${#DEVICES[@]} device hosts"
}

many_down() {
  local ns="$P-many"
  if ip netns list | awk '{print $1}' | grep -qx "$ns"; then
    # A namespace lives on while a process is in it: end them first.
    ip netns pids "$ns" | xargs -r kill -9 2>/dev/null || true
    ip netns del "$ns"
  fi
}

many() {
  local n=$1 ns="$P-many"
  [ "$n" -ge 1 ] && [ "$n" -le "$BM_MANY_MAX" ] || die "many: 1 to $BM_MANY_MAX devices"
  many_down
  ip netns add "$ns"
  quiet_host "$ns"
  # Each macvlan interface answers ARP only for its own address, so every simulated device
  # shows up in the neighbour table under its own MAC.
  in_ns "$ns" sysctl -qw net.ipv4.conf.all.arp_ignore=1 net.ipv4.conf.all.arp_announce=2
  ip link add m0 netns "$SW" type veth peer name eth0 netns "$ns"
  in_ns "$SW" ip link set dev m0 master br1
  in_ns "$SW" ip link set dev m0 up
  in_ns "$ns" ip link set dev eth0 up
  local batch i
  batch=$(mktemp)
  for i in $(seq 1 "$n"); do
    echo "link add mv$i link eth0 address $(bm_many_mac "$i") type macvlan mode bridge"
    echo "addr add $(bm_many_ip "$i")/24 dev mv$i"
    printf 'link set dev mv%d up\n' "$i"
  done >"$batch"
  in_ns "$ns" ip -batch "$batch"
  rm -f "$batch"
  echo "lab $P: $n devices in $ns, $(bm_many_ip 1) to $(bm_many_ip "$n")"
}

status() {
  local ns
  for ns in $(lab_namespaces); do
    echo "== $ns"
    in_ns "$ns" ip -brief addr
  done
}

require_up() { ip netns list | awk '{print $1}' | grep -qx "$1" || die "namespace $1 does not exist (run: lab.sh up)"; }

cmd=${1:-}
[ $# -gt 0 ] && shift
case "$cmd" in
  up) up ;;
  down) down ;;
  fixture-up)
    [ -n "${BM_LAB_FILE:-}" ] || die "fixture-up needs BM_LAB_FILE"
    [ ! -s "$BM_LAB_FILE" ] || down # the lab of an interrupted run from this build folder
    P="bm$(od -An -N4 -tx1 /dev/urandom | tr -d ' \n')"
    SW="$P-sw"
    TOOL="$P-tool"
    echo "$P" >"$BM_LAB_FILE"
    up ;;
  fixture-down)
    down
    [ -z "${BM_LAB_FILE:-}" ] || rm -f "$BM_LAB_FILE" ;;
  status) status ;;
  exec)
    require_up "$TOOL"
    exec ip netns exec "$TOOL" env BM_LAB="$P" "$@" ;;
  many) many "${1:?number of devices}" ;;
  many-down) many_down ;;
  many-exec)
    require_up "$P-many"
    exec ip netns exec "$P-many" env BM_LAB="$P" "$@" ;;
  dev-exec)
    n=${1:?device number}; shift
    require_up "$P-dev$n"
    exec ip netns exec "$P-dev$n" env BM_LAB="$P" "$@" ;;
  run)
    trap down EXIT
    up
    ip netns exec "$TOOL" env BM_LAB="$P" "$@" ;;
  *) sed -n '2,24p' "$0"; exit 2 ;;
esac
