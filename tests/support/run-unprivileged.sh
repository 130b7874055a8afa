#!/usr/bin/env bash
# Runs a test as the ordinary user nobody on the lab's tool host. Started there as root (by
# lab.sh exec), since only root may enter the device hosts' namespaces: it starts the
# simulated devices on their hosts first, recording into a folder the test reads
# ($BM_RECORDS/devN.jsonl), then drops every privilege and runs COMMAND. With $BM_ARP_HELPER
# (the ARP helper of the build), COMMAND gets two copies of it: $BM_ARP_PLAIN, copied as a
# user would copy it (no capability), and $BM_ARP_CAPABLE, given cap_net_raw as the package's
# installation gives it.
# With $BM_MANY="N K" the devices are instead N on each of K networks (lab.sh many), recording
# into $BM_RECORDS/many<k>.jsonl, and the hosts go when COMMAND ends.
#   run-unprivileged.sh SIMULATOR COMMAND...
set -euo pipefail
sim=$1
shift
P="${BM_LAB:-bmlab}"
records=$(mktemp -d /tmp/bm-unprivileged-XXXXXX)
chmod 755 "$records"
pids=()
copies=
cleanup() {
  kill "${pids[@]}" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$records"
  [ -z "$copies" ] || rm -rf "$copies"
}
trap cleanup EXIT

start() {
  local host=$1 spec=$2
  ip netns exec "$P-dev$host" "$sim" --record "$records/dev$host.jsonl" --exit-with-parent --device "$spec" \
    >"$records/dev$host.log" 2>&1 &
  pids+=($!)
}
ready() {
  local log=$1
  for _ in $(seq 1 100); do
    grep -q "devicesim: ready" "$log" 2>/dev/null && return 0
    sleep 0.1
  done
  echo "run-unprivileged: the devices of $(basename "$log" .log) did not start" >&2
  exit 1
}

lab=$(dirname "$0")/../../tools/lab.sh
if [ -n "${BM_MANY:-}" ]; then
  read -r per nets <<<"$BM_MANY"
  many_down() { kill "${pids[@]}" 2>/dev/null || true; wait 2>/dev/null || true; "$lab" many-down >/dev/null 2>&1 || true; cleanup; }
  trap many_down EXIT
  "$lab" many "$per" "$nets" >/dev/null
  for k in $(seq 1 "$nets"); do
    args=()
    while read -r spec; do args+=(--device "$spec"); done < <("$lab" many-specs "$k" "$per")
    ip netns exec "$P-many$k" "$sim" --record "$records/many$k.jsonl" --exit-with-parent "${args[@]}" \
      >"$records/many$k.log" 2>&1 &
    pids+=($!)
  done
  for k in $(seq 1 "$nets"); do ready "$records/many$k.log"; done
else
  start 1 "mac=02:00:5e:50:00:21,name=CamA,proto=json,gateway=192.168.50.1"
  start 3 "mac=02-00-5E-60-01-31,name=Lobby,proto=kv,gateway=10.60.1.1"
  for host in 1 3; do ready "$records/dev$host.log"; done
fi

if [ -n "${BM_ARP_HELPER:-}" ]; then
  # Beside the build, not in /tmp: a file capability counts only on a file system mounted
  # without nosuid.
  copies=$(mktemp -d "$(dirname "$BM_ARP_HELPER")/unprivileged-XXXXXX")
  chmod 755 "$copies"
  mkdir -m 755 "$copies/plain" "$copies/capable"
  install -m 755 "$BM_ARP_HELPER" "$copies/plain/brenmoor-arp"
  install -m 755 "$BM_ARP_HELPER" "$copies/capable/brenmoor-arp"
  setcap cap_net_raw=ep "$copies/capable/brenmoor-arp"
  export BM_ARP_PLAIN="$copies/plain/brenmoor-arp" BM_ARP_CAPABLE="$copies/capable/brenmoor-arp"
fi

# nobody has no home; Xvfb's authority file and Qt's runtime folder go to the records folder.
runtime="$records/runtime"
mkdir -m 700 "$runtime"
chown 65534:65534 "$runtime"
# Without no_new_privs, as a user's session runs: a program with a file capability (the ARP
# helper's copy) gets it at exec, and nothing else does.
BM_RECORDS="$records" HOME="$runtime" XDG_RUNTIME_DIR="$runtime" \
  setpriv --reuid=65534 --regid=65534 --clear-groups --inh-caps=-all "$@"
