#!/usr/bin/env bash
# Benchmarks, run in the lab; prints figures and asserts nothing.
#   scanner: one sweep's 254 probes, a whole two-interface scan and its find count, and
#            arp-scan (Debian package) on the same lab subnets for comparison.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BM_BUILD_DIR:-$root/build}
lab="$root/tools/lab.sh"

"$root/tools/install-deps.sh"
if ! command -v arp-scan >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq arp-scan >/dev/null
fi
"$root/tools/build.sh"

trap '"$lab" down' EXIT
"$lab" up >/dev/null
echo "== machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo), kernel $(uname -r)"
echo "== scanner (the tool's own sweep and neighbour read)"
"$lab" exec "$build/bench/bench_scanner" 5 5 | grep -vE '^(=|发现|→|  找到|$)'

echo "== arp-scan on the same subnets, from a cold neighbour table"
"$lab" exec ip neigh flush all
for spec in "en0 192.168.50.0/24 3" "en1 10.60.1.0/24 2"; do
  read -r ifname net live <<<"$spec"
  start=$(date +%s%N)
  answers=$("$lab" exec arp-scan --quiet --plain --interface="$ifname" "$net" 2>/dev/null | cut -f1 | sort -u | wc -l)
  end=$(date +%s%N)
  echo "arp-scan $ifname $net: $(( (end - start) / 1000000 )) ms, $answers live devices answered (of $live)"
done
