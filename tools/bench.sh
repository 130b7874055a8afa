#!/usr/bin/env bash
# Benchmarks, run in the lab; prints figures and asserts nothing.
#   search:  N simulated devices on each of K networks answering both protocols at once,
#            every fourth by broadcast (10, 150, 200 on one network; 200 on each of five, 100 on
#            each of ten), three Searches each: press -> last row, last reply -> last row, rows
#            listed against devices answering, the longest event-loop stall, kernel drops,
#            press -> conflicts judged; then arp-scan on the same five and ten networks
#   table:   one addDevice at 100, 1,000 and 5,000 rows, and emptying the table
#   flood:   50,000 replies under distinct MACs during a Search: the stall, the rows, the
#            peak memory, and the next Search
#   tool:    peak memory of the real program after a 1,000-device search, and its idle CPU
#   scanner: one sweep's 254 probes, a whole five-interface scan and its find count among the
#            1,000 devices, and arp-scan (Debian package) on the same subnets for comparison.
#   cli:     brenmoor-cli discover --wait 1 on the 1,000 devices, with and without the sweep:
#            devices listed, wall time, kernel drops.
#   assign:  100 devices fresh from their boxes at one address, all selected and given a range
#            from one Confirm of the Assign Addresses panel, three times: Confirm -> commands
#            out, first and last line "verified"; then brenmoor-cli assign on the same fleet
#   site:    a Search of 1,000 devices compared with a site record of 1,000 (100 differences):
#            last row -> marks and counters, longest stall; the registry of makers read
#   nobody:  1,000 devices answering at once to the window run as the user nobody, under the
#            socket buffer limits Debian ships: rows listed, replies dropped, press -> last row;
#            and a burst made to overflow a small buffer, brought back by the second request
#   languages: the real program run as nobody in English, German and Chinese, three starts
#            each: start -> window on screen, peak memory (screenshots with BM_SHOTS=folder)
# Give section names to run only those:  bench.sh cli scanner
# The kernel's neighbour table limits stay as the host has them (Debian's 128/512/1024), as
# users have them; BM_NEIGH_LIMITS=raise raises them for the run as the test labs do.
# Searches run with the ARP helper of the build (as root it needs no capability) and again
# without it, the kernel's table serving.
set -euo pipefail
sections=${*:-search nobody languages table flood tool scanner cli assign site}
want() { [[ " $sections " == *" $1 "* ]]; }
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BM_BUILD_DIR:-$root/build}
lab="$root/tools/lab.sh"
. "$root/tools/lab-constants.sh"

"$root/tools/install-deps.sh"
if ! command -v arp-scan >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq arp-scan >/dev/null
fi
"$root/tools/build.sh" -DBRENMOOR_BUILD_TESTS=ON

crowd=
crowd_down() { [ -z "$crowd" ] || ip netns del "$crowd" 2>/dev/null || true; crowd=; }
trap 'crowd_down; "$lab" down' EXIT
if [ "${BM_NEIGH_LIMITS:-}" = raise ]; then
  "$lab" up >/dev/null
  "$lab" neigh-limits raise
else
  export BM_NEIGH_LIMITS=as-found
  "$lab" up >/dev/null
fi
echo "== machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo), kernel $(uname -r)"
echo "== neighbour table limits for the run: $(sysctl -n net.ipv4.neigh.default.gc_thresh1 net.ipv4.neigh.default.gc_thresh2 net.ipv4.neigh.default.gc_thresh3 | tr '\n' ' ')"
xvfb() { "$lab" exec "$root/tests/support/xvfb-run-test.sh" "$@"; }

# arp-scan_all K: arp-scan on the tool host's ports of the first K many networks at once, as
# the tool sweeps them: the wall time and the hosts that answered.
arp_scan_all() {
  local k prefix port vlan ifname out
  out=$(mktemp -d)
  local start end
  start=$(date +%s%N)
  for k in $(seq 1 "$1"); do
    read -r _bridge prefix port vlan <<<"$(bm_many_net "$k")"
    ifname=$port
    [ "$vlan" = - ] || ifname="$port.$vlan"
    "$lab" exec arp-scan --quiet --plain --interface="$ifname" "$prefix.0/24" >"$out/$k" 2>/dev/null &
  done
  wait
  end=$(date +%s%N)
  echo "arp-scan of $1 networks at once (one per port): $(( (end - start) / 1000000 )) ms, $(cat "$out"/* | cut -f1 | sort -u | wc -l) hosts answered"
  rm -rf "$out"
}

# crowd_up N: another network namespace (a container, another lab) holding N entries of the
# host's one neighbour table: reachable ones, renewed every 2 s, so the kernel may not reclaim
# them for a sweep (it reclaims only entries unchanged for 5 s).
crowd_up() {
  crowd=bmcrowd-$$
  ip netns add "$crowd"
  ip -n "$crowd" link add cr0 type veth peer name cr1
  ip -n "$crowd" link set cr0 up
  ip -n "$crowd" link set cr1 up
  ip -n "$crowd" addr add 10.250.0.1/16 dev cr0
  local batch
  batch=$(mktemp /tmp/bm-crowd-XXXXXX)
  for i in $(seq 1 "$1"); do
    printf 'neigh replace 10.250.%d.%d lladdr 02:00:5e:fa:%02x:%02x dev cr0 nud reachable\n' \
      $((i / 250 + 1)) $((i % 250 + 1)) $((i / 256)) $((i % 256))
  done >"$batch"
  ip -n "$crowd" -batch "$batch"
  ( while ip netns list | grep -q "^$crowd"; do ip -n "$crowd" -batch "$batch" 2>/dev/null || true; sleep 2; done
    rm -f "$batch" ) &
}

if want search; then
  for helper in with without; do
    run=(); [ "$helper" = with ] || run=(env BRENMOOR_ARP_HELPER=)
    echo "== search under a burst (in-process, the real window), $helper the ARP helper; judged: press -> conflicts judged"
    xvfb "${run[@]}" "$build/bench/bench_search" 3 10x1 200x1 200x5 100x10 2>/dev/null | grep -E '^ *(devices|[0-9]+x)'
  done
  crowd_up 1000
  echo "== the same while another namespace holds 1,000 of the host's neighbour entries ($(ip -n "$crowd" -4 neigh | wc -l))"
  for helper in with without; do
    run=(); [ "$helper" = with ] || run=(env BRENMOOR_ARP_HELPER=)
    echo "-- $helper the ARP helper"
    xvfb "${run[@]}" "$build/bench/bench_search" 3 200x5 2>/dev/null | grep -E '^ *(devices|[0-9]+x)'
  done
  crowd_down
  echo "== arp-scan on the same networks, from a cold neighbour table"
  for layout in "200 5" "100 10"; do
    read -r per nets <<<"$layout"
    "$lab" many "$per" "$nets" >/dev/null
    "$lab" exec ip neigh flush all
    echo -n "${per}x$nets: "
    arp_scan_all "$nets"
    "$lab" many-down
  done
fi
if want nobody; then
  echo "== 1,000 devices to the window run as nobody, under Debian's socket buffer limits"
  "$root/tests/support/with-debian-buffers.sh" "$lab" exec env "BM_MANY=200 5" \
    "$root/tests/support/run-unprivileged.sh" "$build/tools/devicesim/bm-devicesim" \
    "$root/tests/support/xvfb-run-test.sh" "$build/tests/test_e2e_burst" 2>/dev/null | grep -o 'figures: .*'
fi
if want languages; then
  echo "== the program as nobody in each language, under Debian's socket buffer limits"
  shots=
  if [ -n "${BM_SHOTS:-}" ]; then
    mkdir -p "$BM_SHOTS"
    chmod 777 "$BM_SHOTS"
    shots=$BM_SHOTS
  fi
  "$root/tests/support/with-debian-buffers.sh" "$lab" exec \
    "$root/tests/support/run-unprivileged.sh" "$build/tools/devicesim/bm-devicesim" \
    "$root/tests/support/xvfb-run-test.sh" "$root/tools/bench-language-session.sh" "$build/app/brenmoor" $shots \
    2>/dev/null | grep '^language'
fi
if want table; then
  echo "== table: cost of one addDevice"
  xvfb "$build/bench/bench_table" 2>/dev/null | grep -E 'rows:|addDevice|emptying'
fi
if want flood; then
  echo "== a flood of replies during a Search"
  xvfb "$build/bench/bench_flood" 50000 2>/dev/null | grep -E '^(flood|peak|Search|Device table|Too many)'
fi
if want site; then
  echo "== coming back to a site: 1,000 devices compared with a record of 1,000; the registry of makers"
  xvfb "$build/bench/bench_site" 2>/dev/null | grep -E '^(registry|compare)'
fi
if want assign; then
  echo "== a fleet of 100 at one factory address, assigned and verified from one Confirm"
  xvfb "$build/bench/bench_assign" 3 100 2>/dev/null | grep -E '^assign'
  "$lab" fleet 100 192.168.0.100 >/dev/null
  spec_args=()
  while read -r spec; do spec_args+=(--device "$spec"); done < <("$lab" fleet-specs 100 192.168.0.100)
  "$lab" fleet-exec "$build/tools/devicesim/bm-devicesim" --apply "${spec_args[@]}" >/dev/null 2>&1 &
  sim=$!
  sleep 1
  start=$(date +%s%N)
  "$lab" exec "$build/cli/brenmoor-cli" assign 10.60.1.100 255.255.255.0 10.60.1.1 --at 192.168.0.100 --wait 1 \
    >/tmp/bm-assign.out 2>/dev/null || true
  end=$(date +%s%N)
  echo "brenmoor-cli assign --at 192.168.0.100 (1 s wait, sweep, sends, verification): $(( (end - start) / 1000000 )) ms," \
    "$(grep -c ' verified$' /tmp/bm-assign.out) of 100 verified"
  kill "$sim" 2>/dev/null || true
  wait "$sim" 2>/dev/null || true
  "$lab" fleet-down
fi
want tool || want scanner || want cli || exit 0

echo "== 1,000 devices on five networks for the program, the scanner and arp-scan"
"$lab" many 200 5 >/dev/null
for k in 1 2 3 4 5; do
  specs=()
  for i in $(seq 1 200); do specs+=(--device "$(bm_many_spec "$k" "$i")"); done
  ( "$lab" many-exec "$k" "$build/tools/devicesim/bm-devicesim" "${specs[@]}" >/dev/null 2>&1 & )
done
sleep 2

if want cli; then
  echo "== brenmoor-cli discover --wait 1 on the 1,000 devices"
  rcvbuf() { "$lab" exec awk '/^Udp: [0-9]/ {print $6}' /proc/net/snmp; }
  for args in "" "--no-sweep"; do
    for run in 1 2 3; do
      "$lab" exec ip neigh flush all
      before=$(rcvbuf)
      start=$(date +%s%N)
      listed=$("$lab" exec "$build/cli/brenmoor-cli" discover --wait 1 --format csv $args 2>/dev/null | tail -n +2 | wc -l)
      end=$(date +%s%N)
      echo "cli discover --wait 1 ${args:-(with the sweep)} run $run: $listed of 1000 devices listed, $(( (end - start) / 1000000 )) ms wall, $(( $(rcvbuf) - before )) RcvbufErrors"
    done
  done
fi
want tool || want scanner || exit 0

echo "== the program itself: peak memory after a 1,000-device search, idle CPU"
"$lab" exec xvfb-run -a -s "$BM_XVFB_ARGS" \
  "$root/tools/bench-tool-session.sh" "$build/app/brenmoor"

echo "== scanner (the tool's own sweep and neighbour read)"
"$lab" exec ip neigh flush all
"$lab" exec "$build/bench/bench_scanner" 5 1005 | grep -vE '^(=|发现|→|  找到|$)'

echo "== arp-scan on the same subnets, from a cold neighbour table"
"$lab" exec ip neigh flush all
for k in 1 2 3 4 5; do
  read -r _bridge prefix port vlan <<<"$(bm_many_net "$k")"
  ifname=$port
  [ "$vlan" = - ] || ifname="$port.$vlan"
  live=200
  [ "$k" -ne 1 ] || live=202 # dev3, dev4
  [ "$k" -ne 2 ] || live=203 # dev1, dev2, dev5
  start=$(date +%s%N)
  answers=$("$lab" exec arp-scan --quiet --plain --interface="$ifname" "$prefix.0/24" 2>/dev/null | cut -f1 | sort -u | wc -l)
  end=$(date +%s%N)
  echo "arp-scan $ifname $prefix.0/24: $(( (end - start) / 1000000 )) ms, $answers live devices answered (of $live)"
done
"$lab" many-down
