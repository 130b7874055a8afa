#!/usr/bin/env bash
# Runs a test as the ordinary user nobody on the lab's tool host. Started there as root (by
# lab.sh exec), since only root may enter the device hosts' namespaces: it starts the
# simulated devices on their hosts first, recording into a folder the test reads
# ($BM_RECORDS/devN.jsonl), then drops every privilege and runs COMMAND.
#   run-unprivileged.sh SIMULATOR COMMAND...
set -euo pipefail
sim=$1
shift
P="${BM_LAB:-bmlab}"
records=$(mktemp -d /tmp/bm-unprivileged-XXXXXX)
chmod 755 "$records"
pids=()
cleanup() {
  kill "${pids[@]}" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$records"
}
trap cleanup EXIT

start() {
  local host=$1 spec=$2
  ip netns exec "$P-dev$host" "$sim" --record "$records/dev$host.jsonl" --exit-with-parent --device "$spec" \
    >"$records/dev$host.log" 2>&1 &
  pids+=($!)
}
start 1 "mac=02:00:5e:50:00:21,name=CamA,proto=json,gateway=192.168.50.1"
start 3 "mac=02-00-5E-60-01-31,name=Lobby,proto=kv,gateway=10.60.1.1"
for host in 1 3; do
  for _ in $(seq 1 50); do
    grep -q "devicesim: ready" "$records/dev$host.log" 2>/dev/null && break
    sleep 0.1
  done
  grep -q "devicesim: ready" "$records/dev$host.log" || { echo "run-unprivileged: device host $host did not start" >&2; exit 1; }
done

# nobody has no home; Xvfb's authority file and Qt's runtime folder go to the records folder.
runtime="$records/runtime"
mkdir -m 700 "$runtime"
chown 65534:65534 "$runtime"
BM_RECORDS="$records" HOME="$runtime" XDG_RUNTIME_DIR="$runtime" \
  setpriv --reuid=65534 --regid=65534 --clear-groups --inh-caps=-all --no-new-privs "$@"
