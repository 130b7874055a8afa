#!/usr/bin/env bash
# Starts the simulated devices of the demo on the lab's device hosts, in the background.
#   lab-devices.sh SIMULATOR OUTDIR
# Each host records what it receives in OUTDIR/devN.jsonl (log in OUTDIR/devN.log). They
# stop with the lab (lab.sh down ends every process in its namespaces).
set -euo pipefail
sim=$1
out=$2
P="${BM_LAB:-bmlab}"
mkdir -p "$out"

start() {
  local host=$1; shift
  local args=()
  for spec in "$@"; do args+=(--device "$spec"); done
  ip netns exec "$P-dev$host" "$sim" --record "$out/dev$host.jsonl" --apply "${args[@]}" >"$out/dev$host.log" 2>&1 &
}

start 1 "mac=02:00:5e:50:00:21,name=CamA,sn=A-0001,proto=json,gateway=192.168.50.1"
start 2 "mac=02-00-5E-50-00-22,name=Süd-Tor,sn=K-0002,proto=kv,gateway=192.168.50.1"
start 3 "mac=02:00:5e:60:01:31,name=Lobby,kvmac=02-00-5E-60-01-31,proto=both,gateway=10.60.1.1"
start 4 "mac=02:00:5e:aa:bb:cc,name=Imposter,sn=X-0004,proto=json,gateway=10.60.1.1"
start 5 "mac=02:00:5e:50:00:40,name=Encoder,sn=E-0005,proto=both,gateway=192.168.50.1"
# Fresh from its box: a factory address outside both networks, answering by broadcast.
start 6 "mac=02:00:5e:01:00:64,name=FreshCam,sn=F-0006,proto=both,gateway=192.168.1.1,reply=broadcast"

for host in 1 2 3 4 5 6; do
  for _ in $(seq 1 50); do
    grep -q "devicesim: ready" "$out/dev$host.log" 2>/dev/null && break
    sleep 0.1
  done
  grep -q "devicesim: ready" "$out/dev$host.log" || { echo "lab-devices: device host $host did not start" >&2; cat "$out/dev$host.log" >&2; exit 1; }
done
echo "lab-devices: 6 simulated devices answering (one claims a MAC that is not its own, one sits at a factory address)"
