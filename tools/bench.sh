#!/usr/bin/env bash
# Benchmarks, run in the lab; prints figures and asserts nothing.
#   search:  N simulated devices answering both protocols at once (10, 150, 200 = the most
#            the lab's subnet holds here): press -> last row, last reply -> last row, rows
#            listed against devices answering, the longest event-loop stall, kernel drops
#   table:   one addDevice at 100, 1,000 and 5,000 rows
#   tool:    peak memory of the real program after a 200-device search, and its idle CPU
#   scanner: one sweep's 254 probes, a whole two-interface scan and its find count, and
#            arp-scan (Debian package) on the same lab subnets for comparison.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BM_BUILD_DIR:-$root/build}
lab="$root/tools/lab.sh"
. "$root/tools/lab-constants.sh"

"$root/tools/install-deps.sh"
if ! command -v arp-scan >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq arp-scan >/dev/null
fi
"$root/tools/build.sh" -DBRENMOOR_BUILD_TESTS=ON

trap '"$lab" down' EXIT
"$lab" up >/dev/null
echo "== machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo), kernel $(uname -r)"
xvfb() { "$lab" exec "$root/tests/support/xvfb-run-test.sh" "$@"; }

echo "== search under a burst (in-process, the real window)"
xvfb "$build/bench/bench_search" 10 150 200 2>/dev/null | grep -E '^ *(devices|[0-9]+ )'

echo "== table: cost of one addDevice"
xvfb "$build/bench/bench_table" 2>/dev/null | grep -E 'rows:|addDevice'

echo "== the program itself: peak memory after a 200-device search, idle CPU"
"$lab" many 200 >/dev/null
specs=()
for i in $(seq 1 200); do specs+=(--device "$(bm_many_spec "$i")"); done
( "$lab" many-exec "$build/tools/devicesim/bm-devicesim" "${specs[@]}" >/dev/null 2>&1 & )
sleep 1
"$lab" exec xvfb-run -a -s "$BM_XVFB_ARGS" \
  "$root/tools/bench-tool-session.sh" "$build/app/brenmoor"
"$lab" many-down

echo "== scanner (the tool's own sweep and neighbour read)"
"$lab" exec ip neigh flush all
"$lab" exec "$build/bench/bench_scanner" 5 5 | grep -vE '^(=|发现|→|  找到|$)'

echo "== arp-scan on the same subnets, from a cold neighbour table"
"$lab" exec ip neigh flush all
for spec in "enp1s0 192.168.50.0/24 3" "wlp2s0 10.60.1.0/24 2"; do
  read -r ifname net live <<<"$spec"
  start=$(date +%s%N)
  answers=$("$lab" exec arp-scan --quiet --plain --interface="$ifname" "$net" 2>/dev/null | cut -f1 | sort -u | wc -l)
  end=$(date +%s%N)
  echo "arp-scan $ifname $net: $(( (end - start) / 1000000 )) ms, $answers live devices answered (of $live)"
done
