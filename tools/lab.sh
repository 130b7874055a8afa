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
#        lab.sh dev-reset N          device host N back to its lab address (a device that took a
#                                    new one), and the tool host's neighbour entries forgotten:
#                                    the lab as the next test knows it
#        lab.sh arp-silence HOST IF on|off
#                                    the kernel of lab host HOST (a device number, or a name
#                                    such as many1 or fleet) gives no ARP replies on its
#                                    interface IF (arp_ignore 8), or again as the lab built it:
#                                    a host that answers ARP late, through bm-arpresponder
#        lab.sh many N [NETS]        N devices (N <= 200) on each of NETS networks (1 to 10,
#                                    default 1), one host <prefix>-many<K> per network with
#                                    macvlan interfaces mv1..mvN, each its own address and MAC
#                                    (scheme in lab-constants.sh). Networks 3 to 5 give the tool
#                                    host three more ports (enp4s0.20 on trunk enp4s0, enp3s0,
#                                    enp5s0), 6 to 10 five more (eno1 to eno5). A kernel without
#                                    802.1Q VLANs gets an untagged enp4s0.20 instead.
#        lab.sh many-specs K N       print the simulator's --device spec of each of those N
#                                    devices of network K
#        lab.sh many-exec K CMD...   run CMD inside host many<K>
#        lab.sh many-down            remove those hosts and ports, and give up the limits
#        lab.sh fleet N IP           N devices fresh from their boxes (N <= 200), all at the one
#                                    address IP/24, on the link of wlp2s0: host <prefix>-fleet
#                                    with macvlan interfaces mv1..mvN, each its own MAC (scheme in
#                                    lab-constants.sh) and a copy of IP
#        lab.sh fleet N IP row       the same, but device i at the i-th address from IP up: a
#                                    row of devices already commissioned
#        lab.sh fleet-specs N IP [row]   print the simulator's --device spec of each of them
#        lab.sh fleet-exec CMD...    run CMD inside host fleet
#        lab.sh fleet-down           remove that host, and forget the tool host's neighbours
#        lab.sh neigh-limits raise | restore   (BM_NEIGH_LIMITS=as-found: never raised)
#                                    the kernel's neighbour table limits raised for this lab, or
#                                    given up (below)
#        lab.sh fixture-up | fixture-down
#                                    what CTest runs: a lab under a prefix of its own, written
#                                    to $BM_LAB_FILE, so runs on one host never meet
#
# The prefix is $BM_LAB; else the one written to $BM_LAB_FILE; else "bmlab". Must run as root.
#
# The kernel's neighbour table limits are one set for every namespace, settable only from the
# host's own: up, fixture-up and many run there raise them for the lab (never lowering one),
# down, fixture-down and many-down give them up, and the last lab to give them up puts back
# what the first found. Elsewhere these leave the limits alone.
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
  for i in $(seq 1 "${3:?number of devices}"); do bm_many_spec "${2:?network}" "$i"; done
  exit 0
fi
if [ "${1:-}" = fleet-specs ]; then
  for i in $(seq 1 "${2:?number of devices}"); do bm_fleet_spec "$i" "$(bm_fleet_ip "$i" "${3:?address}" "${4:-}")"; done
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

# The namespaces `ip netns add` made: the names under NETNS_DIR. Not `ip netns list`, which
# also asks the kernel for each one's id and prints "Peer netns reference is invalid" for one
# that another run is adding or deleting at that moment.
NETNS_DIR=/run/netns
netns_names() { [ ! -d "$NETNS_DIR" ] || ls -1 "$NETNS_DIR"; }
netns_exists() { [ -e "$NETNS_DIR/$1" ]; }
lab_namespaces() { netns_names | grep -E "^$P-(sw|tool|dev[0-9]+|many[0-9]*|fleet|actl|site[0-9]+(-dev)?)$" || true; }

down() {
  remove_namespaces
  release_neigh_limits
}

remove_namespaces() {
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
  disown # ended by down, without bash's "Killed" in the same script (run)
  local _
  for _ in $(seq 1 50); do
    in_ns "$TOOL" ip link show dev "$ifname" >/dev/null 2>&1 && break
    sleep 0.1
  done
  in_ns "$TOOL" ip addr add "$local_ip" peer "$peer_ip" dev "$ifname"
  in_ns "$TOOL" ip link set dev "$ifname" up
}

up() {
  remove_namespaces # a lab rebuilt keeps its hold on the limits
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
  raise_neigh_limits
  echo "lab $P is up: tool host $TOOL, ${#DEVICES[@]} device hosts"
}

dev_reset() {
  local line n cidr mac bridge gateway
  for line in "${DEVICES[@]}"; do
    read -r n cidr mac bridge gateway <<<"$line"
    [ "$n" = "$1" ] || continue
    require_up "$P-dev$n"
    in_ns "$P-dev$n" ip addr flush dev eth0
    in_ns "$P-dev$n" ip addr add "$cidr" dev eth0
    [ -z "$gateway" ] || in_ns "$P-dev$n" ip route replace default via "$gateway" dev eth0
    in_ns "$TOOL" ip neigh flush all
    return 0
  done
  die "no device host $1"
}

# The kernel's IPv4 neighbour table is one for every namespace, 1,024 entries by default, and
# its limits can be set only in the host's own namespace: the tool's sweep of five /24s alone
# makes 1,270 entries, and two runs side by side twice that. Every lab raises thresh1/2/3 to
# at least these while it is up; the state all runs on the host share is in NEIGH_DIR, under
# a lock: a holder file per lab prefix, and "saved" with the values found before the first
# holder and the values written.
NEIGH_PROC=/proc/sys/net/ipv4/neigh/default # the limits are here only in the host's own namespace
NEIGH_TARGETS="4096 8192 16384"
NEIGH_DIR=/run/bm-neigh-limits

neigh_now() { echo "$(<"$NEIGH_PROC/gc_thresh1") $(<"$NEIGH_PROC/gc_thresh2") $(<"$NEIGH_PROC/gc_thresh3")"; }

neigh_write() {
  # neigh_write T1 T2 T3: going up thresh3 first, going down thresh1 first, so that
  # thresh1 <= thresh2 <= thresh3 holds after every step.
  local now new=("$@") order="1 2 3" i
  read -r -a now <<<"$(neigh_now)"
  for i in 0 1 2; do [ "${new[i]}" -le "${now[i]}" ] || order="3 2 1"; done
  for i in $order; do
    [ "${new[i - 1]}" = "${now[i - 1]}" ] || sysctl -qw "net.ipv4.neigh.default.gc_thresh$i=${new[i - 1]}"
  done
}

neigh_locked() {
  # neigh_locked FUNCTION: FUNCTION run holding the lock, after dropping the holders whose
  # lab is gone (a run killed before its teardown), so no lab holds the limits forever.
  mkdir -p "$NEIGH_DIR/holders"
  (
    flock 9
    local holder
    for holder in "$NEIGH_DIR"/holders/*; do
      [ ! -e "$holder" ] || netns_exists "$(basename "$holder")-tool" || rm -f "$holder"
    done
    "$1"
  ) 9>"$NEIGH_DIR/lock"
}

neigh_raise() {
  [ ! -e "$NEIGH_DIR/holders/$P" ] || return 0 # raised for this lab already
  local cur base ours target new=() i
  read -r -a cur <<<"$(neigh_now)"
  base=("${cur[@]}")
  if [ -s "$NEIGH_DIR/saved" ]; then
    # Raised by another lab: what it found is still what to put back, but for a limit someone
    # else has changed since, whose value then is.
    local saved_found saved_wrote
    { read -r _ saved_found; read -r _ saved_wrote; } <"$NEIGH_DIR/saved" || true
    read -r -a ours <<<"$saved_wrote"
    if [[ "$saved_found" =~ ^[0-9]+\ [0-9]+\ [0-9]+$ ]]; then
      read -r -a base <<<"$saved_found"
      for i in 0 1 2; do [ "${cur[i]}" = "${ours[i]:-}" ] || base[i]=${cur[i]}; done
    fi
  fi
  read -r -a target <<<"$NEIGH_TARGETS"
  for i in 0 1 2; do
    if [ "${cur[i]}" -gt "${target[i]}" ]; then new+=("${cur[i]}"); else new+=("${target[i]}"); fi
  done
  neigh_write "${new[@]}"
  printf 'found %s\nwrote %s\n' "${base[*]}" "${new[*]}" >"$NEIGH_DIR/saved"
  echo "lab $P, since $(date '+%F %T')" >"$NEIGH_DIR/holders/$P"
}

neigh_release() {
  rm -f "$NEIGH_DIR/holders/$P"
  [ -z "$(ls -A "$NEIGH_DIR/holders")" ] || return 0 # another lab still holds them
  [ -e "$NEIGH_DIR/saved" ] || return 0
  local now found="" wrote="" back
  now=$(neigh_now)
  { read -r _ found; read -r _ wrote; } <"$NEIGH_DIR/saved" || true
  rm -f "$NEIGH_DIR/saved"
  [[ "$found" =~ ^[0-9]+\ [0-9]+\ [0-9]+$ ]] || return 0
  if [ "$now" = "$wrote" ]; then
    read -r -a back <<<"$found"
    neigh_write "${back[@]}"
  elif [ "$now" != "$found" ]; then
    echo "lab: the neighbour table limits (gc_thresh1/2/3) were changed by someone else while labs held them: left at $now (the labs set $wrote, found $found)" >&2
  fi
}

# Outside the host's own namespace these leave the limits alone, and say nothing; so does a
# run with BM_NEIGH_LIMITS=as-found (benchmarks measured as users' hosts are, at 1,024).
raise_neigh_limits() {
  [ "${BM_NEIGH_LIMITS:-}" != as-found ] || return 0
  if [ -e "$NEIGH_PROC/gc_thresh3" ]; then neigh_locked neigh_raise; fi
}
release_neigh_limits() { if [ -e "$NEIGH_PROC/gc_thresh3" ]; then neigh_locked neigh_release; fi; }

has_vlans() {
  # Debian's kernels have 802.1Q VLANs (module 8021q); a kernel built without them cannot
  # make one, and the lab then stands in an untagged port of the same name.
  if [ -z "${HAS_VLANS:-}" ]; then
    HAS_VLANS=no
    if in_ns "$SW" ip link add bmvlan0 type veth peer name bmvlan1 2>/dev/null; then
      in_ns "$SW" ip link add link bmvlan0 name bmvlan0.2 type vlan id 2 2>/dev/null && HAS_VLANS=yes
      in_ns "$SW" ip link del bmvlan0 2>/dev/null || true
    fi
  fi
  [ "$HAS_VLANS" = yes ]
}

many_down() {
  remove_many
  release_neigh_limits
}

remove_many() {
  local ns k bridge _prefix port _vlan
  for ns in $(netns_names | grep -E "^$P-many[0-9]*$" || true); do
    # A namespace lives on while a process is in it: end them first.
    ip netns pids "$ns" | xargs -r kill -9 2>/dev/null || true
    ip netns del "$ns"
  done
  for k in $(seq 3 "${#BM_MANY_NETS[@]}"); do
    read -r bridge _prefix port _vlan <<<"$(bm_many_net "$k")"
    in_ns "$TOOL" ip link del "$port" 2>/dev/null || true # its VLAN goes with it
    in_ns "$TOOL" ip link del "$port.$_vlan" 2>/dev/null || true # or the port standing in for it
    in_ns "$SW" ip link del "$bridge" 2>/dev/null || true
  done
}

many_tool_port() {
  # many_tool_port K: the tool host's port on network K (3 and up), on a bridge of its own.
  local k=$1 bridge prefix port vlan
  read -r bridge prefix port vlan <<<"$(bm_many_net "$k")"
  in_ns "$SW" ip link add name "$bridge" type bridge
  in_ns "$SW" ip link set dev "$bridge" type bridge forward_delay 0 stp_state 0
  in_ns "$SW" ip link set dev "$bridge" up
  local mac
  mac=$(printf '02:42:0a:%02x:00:0a' "$k")
  if [ "$vlan" = - ]; then
    add_port "$TOOL" "$port" "$prefix.10/24" "$mac" "$bridge" "t$k"
  elif ! has_vlans; then
    echo "lab: this kernel has no 802.1Q VLANs (CONFIG_VLAN_8021Q): $port.$vlan is an untagged port of that name" >&2
    add_port "$TOOL" "$port.$vlan" "$prefix.10/24" "$mac" "$bridge" "t$k"
  else
    # A trunk: the port itself carries no address, its VLAN subinterface does.
    ip link add "t$k" netns "$SW" type veth peer name "$port" netns "$TOOL"
    in_ns "$TOOL" ip link set dev "$port" address "$mac"
    in_ns "$TOOL" ip link set dev "$port" up
    in_ns "$TOOL" ip link add link "$port" name "$port.$vlan" type vlan id "$vlan"
    in_ns "$TOOL" ip addr add "$prefix.10/24" dev "$port.$vlan"
    in_ns "$TOOL" ip link set dev "$port.$vlan" up
    in_ns "$SW" ip link set dev "t$k" master "$bridge"
    in_ns "$SW" ip link set dev "t$k" up
  fi
}

many() {
  local n=$1 nets=${2:-1} k
  [ "$n" -ge 1 ] && [ "$n" -le "$BM_MANY_MAX" ] || die "many: 1 to $BM_MANY_MAX devices"
  [ "$nets" -ge 1 ] && [ "$nets" -le "${#BM_MANY_NETS[@]}" ] || die "many: 1 to ${#BM_MANY_NETS[@]} networks"
  require_up "$TOOL"
  remove_many
  if [ -e "$NEIGH_PROC/gc_thresh3" ]; then
    raise_neigh_limits
  elif [ "$nets" -ge 4 ] && [ ! -e "$NEIGH_DIR/holders/$P" ]; then
    echo "lab: the neighbour table limits can be raised only from the host's own network namespace" \
      "(lab.sh up or neigh-limits raise there): left as they are" >&2
  fi
  for k in $(seq 1 "$nets"); do
    local bridge prefix port vlan ns="$P-many$k" parent=eth0
    read -r bridge prefix port vlan <<<"$(bm_many_net "$k")"
    [ "$k" -lt 3 ] || many_tool_port "$k"
    ip netns add "$ns"
    quiet_host "$ns"
    # Each macvlan interface answers ARP only for its own address, so every simulated device
    # shows up in the neighbour table under its own MAC.
    in_ns "$ns" sysctl -qw net.ipv4.conf.all.arp_ignore=1 net.ipv4.conf.all.arp_announce=2
    ip link add "m$k" netns "$SW" type veth peer name eth0 netns "$ns"
    in_ns "$SW" ip link set dev "m$k" master "$bridge"
    in_ns "$SW" ip link set dev "m$k" up
    in_ns "$ns" ip link set dev eth0 up
    if [ "$vlan" != - ] && has_vlans; then
      parent="eth0.$vlan"
      in_ns "$ns" ip link add link eth0 name "$parent" type vlan id "$vlan"
      in_ns "$ns" ip link set dev "$parent" up
    fi
    local batch i toolport toolmac
    toolport=$port
    if [ "$vlan" != - ]; then toolport="$port.$vlan"; fi
    toolmac=$(in_ns "$TOOL" cat "/sys/class/net/$toolport/address")
    batch=$(mktemp)
    for i in $(seq 1 "$n"); do
      echo "link add mv$i link $parent address $(bm_many_mac "$k" "$i") type macvlan mode bridge"
      echo "addr add $(bm_many_ip "$k" "$i")/24 dev mv$i"
      echo "link set dev mv$i up"
      # Each device knows the tool host's MAC as a device with a kernel of its own would:
      # a permanent entry, which the host's one neighbour table does not count against its
      # limits, so a thousand simulated devices leave the tool host's sweep its room.
      echo "neigh replace $prefix.10 lladdr $toolmac dev mv$i nud permanent"
    done >"$batch"
    in_ns "$ns" ip -batch "$batch"
    rm -f "$batch"
    echo "lab $P: $n devices in $ns, $(bm_many_ip "$k" 1) to $(bm_many_ip "$k" "$n") (tool port $([ "$vlan" = - ] && echo "$port" || echo "$port.$vlan"))"
  done
}

fleet_down() {
  local ns="$P-fleet"
  if netns_exists "$ns"; then
    ip netns pids "$ns" | xargs -r kill -9 2>/dev/null || true
    ip netns del "$ns"
  fi
  # What the tool host learned of the fleet's addresses is not the next test's to see.
  ! netns_exists "$TOOL" || in_ns "$TOOL" ip neigh flush all
}

fleet() {
  local n=$1 ip=$2 mode=${3:-} ns="$P-fleet" batch i
  [ "$n" -ge 1 ] && [ "$n" -le "$BM_MANY_MAX" ] || die "fleet: 1 to $BM_MANY_MAX devices"
  require_up "$TOOL"
  fleet_down
  ip netns add "$ns"
  quiet_host "$ns"
  # As in the many hosts: each device answers ARP for its own address under its own MAC.
  in_ns "$ns" sysctl -qw net.ipv4.conf.all.arp_ignore=1 net.ipv4.conf.all.arp_announce=2
  ip link add fl0 netns "$SW" type veth peer name eth0 netns "$ns"
  in_ns "$SW" ip link set dev fl0 master br1
  in_ns "$SW" ip link set dev fl0 up
  in_ns "$ns" ip link set dev eth0 up
  batch=$(mktemp)
  for i in $(seq 1 "$n"); do
    echo "link add mv$i link eth0 address $(bm_fleet_mac "$i") type macvlan mode bridge"
    echo "addr add $(bm_fleet_ip "$i" "$ip" "$mode")/24 dev mv$i"
    echo "link set dev mv$i up"
  done >"$batch"
  in_ns "$ns" ip -batch "$batch"
  rm -f "$batch"
  echo "lab $P: $n devices in $ns, from $ip${mode:+ ($mode)}"
}

arp_silence() {
  local host=$1 ifname=$2 state=$3 value
  [[ ! "$host" =~ ^[0-9]+$ ]] || host="dev$host"
  [[ "$host" =~ ^(dev[0-9]+|many[0-9]+|fleet)$ ]] || die "arp-silence: no lab host '$1'"
  require_up "$P-$host"
  in_ns "$P-$host" ip link show dev "$ifname" >/dev/null 2>&1 || die "arp-silence: $P-$host has no interface '$ifname'"
  case "$state" in
    on) value=8 ;;
    # What every interface of that host was made with.
    off) value=$(in_ns "$P-$host" sysctl -n net.ipv4.conf.default.arp_ignore) ;;
    *) die "arp-silence: on or off, not '$state'" ;;
  esac
  # The slash form: an interface name may hold a dot (a VLAN, eth0.20).
  in_ns "$P-$host" sysctl -qw "net/ipv4/conf/$ifname/arp_ignore=$value"
}

status() {
  local ns
  for ns in $(lab_namespaces); do
    echo "== $ns"
    in_ns "$ns" ip -brief addr
  done
}

require_up() { netns_exists "$1" || die "namespace $1 does not exist (run: lab.sh up)"; }

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
  many) many "${1:?number of devices}" "${2:-1}" ;;
  many-down) many_down ;;
  fleet) fleet "${1:?number of devices}" "${2:?address}" "${3:-}" ;;
  fleet-down) fleet_down ;;
  fleet-exec)
    require_up "$P-fleet"
    exec ip netns exec "$P-fleet" env BM_LAB="$P" "$@" ;;
  neigh-limits)
    case "${1:-}" in
      raise) require_up "$TOOL"; raise_neigh_limits ;; # held while the lab's tool host exists
      restore) release_neigh_limits ;;
      *) die "neigh-limits raise | restore" ;;
    esac ;;
  many-exec)
    k=${1:?network}; shift
    require_up "$P-many$k"
    exec ip netns exec "$P-many$k" env BM_LAB="$P" "$@" ;;
  dev-reset) dev_reset "${1:?device number}" ;;
  arp-silence) arp_silence "${1:?host}" "${2:?interface}" "${3:?on or off}" ;;
  dev-exec)
    n=${1:?device number}; shift
    require_up "$P-dev$n"
    exec ip netns exec "$P-dev$n" env BM_LAB="$P" "$@" ;;
  run)
    trap down EXIT
    up
    ip netns exec "$TOOL" env BM_LAB="$P" "$@" ;;
  *) sed -n '2,/^set -euo/p' "$0" | sed '$d'; exit 2 ;;
esac
