# Sourced by the lab's scripts: what the tool, the lab and the scripts that drive them must
# agree on, in one place.

# The tool's top-level window, as xdotool finds it: its title carries the project's version.
BM_VERSION=$(sed -n 's/^project(brenmoor VERSION \([0-9.]*\).*/\1/p' "$(dirname "${BASH_SOURCE[0]}")/../CMakeLists.txt")
BM_WINDOW_TITLE="Lorvane v$BM_VERSION"
# A 1920 x 1080 screen at 96 dpi, so the high-DPI scale factor is 1, reachable only locally.
BM_XVFB_ARGS='-screen 0 1920x1080x24 -dpi 96 -nolisten tcp'

# The networks of the lab's "many" hosts, in the order they are added: bridge, the first
# three parts of the /24, the tool host's port on it (.10), its VLAN ("-": untagged). The
# first two are the lab's own subnets; the others (the third a VLAN on a trunk port; the
# sixth to tenth for a host with ten ports) exist only while the many hosts do.
BM_MANY_NETS=(
  "br1 10.60.1 wlp2s0 -"
  "br0 192.168.50 enp1s0 -"
  "br3 10.20.0 enp4s0 20"
  "br2 172.16.30 enp3s0 -"
  "br4 192.168.70 enp5s0 -"
  "br5 192.168.71 eno1 -"
  "br6 192.168.72 eno2 -"
  "br7 192.168.73 eno3 -"
  "br8 192.168.74 eno4 -"
  "br9 192.168.75 eno5 -"
)
# Device i (1 to BM_MANY_MAX) of network k (1 to 10) has its own macvlan interface mv<i> in
# host many<k>, address .(49 + i) and MAC 02:00:5f:KK:HH:LL with HHLL = i. Every fourth
# answers discovery by broadcast.
BM_MANY_MAX=200
bm_many_net() { echo "${BM_MANY_NETS[$(($1 - 1))]}"; }
bm_many_ip() { local _b prefix _p _v; read -r _b prefix _p _v <<<"$(bm_many_net "$1")"; echo "$prefix.$((49 + $2))"; }
bm_many_mac() { printf '02:00:5f:%02x:%02x:%02x\n' "$1" $(($2 / 256)) $(($2 % 256)); }
# The simulator's --device spec of device i of network k.
bm_many_spec()
{
  local reply=unicast
  [ $(($2 % 4)) -ne 0 ] || reply=broadcast
  echo "ip=$(bm_many_ip "$1" "$2"),mac=$(bm_many_mac "$1" "$2"),name=N$1-$2,proto=both,reply=$reply"
}

# Device i (1 to BM_MANY_MAX) of the fleet (lab.sh fleet): interface mv<i> in host fleet, MAC
# 02:00:5e:02:HH:LL with HHLL = i, all at one factory address, answering by broadcast as a device
# outside the asker's network does.
bm_fleet_mac() { printf '02:00:5e:02:%02x:%02x\n' $(($1 / 256)) $(($1 % 256)); }
# Device I's address: IP itself, or with "row", the I-th address from IP up.
bm_fleet_ip() { if [ "${3:-}" = row ]; then echo "${2%.*}.$(( ${2##*.} + $1 - 1 ))"; else echo "$2"; fi; }
bm_fleet_spec()
{
  printf 'ip=%s,mac=%s,dev=mv%d,name=Box%03d,proto=both,mask=255.255.255.0,gateway=%s.1,reply=broadcast\n' \
    "$2" "$(bm_fleet_mac "$1")" "$1" "$1" "${2%.*}"
}
