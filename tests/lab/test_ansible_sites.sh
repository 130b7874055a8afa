#!/bin/bash
# Many sites through Ansible, in the lab: two sites, each a host in a namespace of its own with
# one device on its own network and Debian's sshd started for this run, reached from a third
# namespace over SSH with a key made for the run. The example playbook saves and fetches both
# sites' records, a device of one site is renamed, and the playbook's compare finds exactly that.
#   test_ansible_sites.sh BRENMOOR_CLI BM_DEVICESIM PLAYBOOK
set -euo pipefail
cli=$1 sim=$2 playbook=$3
command -v ansible-playbook >/dev/null || { echo "SKIP: ansible-playbook is not installed (Debian package ansible-core)"; exit 0; }
[ -x /usr/sbin/sshd ] || { echo "SKIP: sshd is not installed (Debian package openssh-server)"; exit 0; }
P=${BM_LAB:?run inside the lab (lab.sh exec)}
work=$(mktemp -d /tmp/bm-ansible-XXXXXX)
ctl=$P-actl
sims=()
names=("$ctl")
cleanup() {
  for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done
  for ns in "${names[@]}"; do
    ip netns pids "$ns" 2>/dev/null | xargs -r kill -9 2>/dev/null || true
    ip netns del "$ns" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

ssh-keygen -q -t ed25519 -N '' -f "$work/host_key"
ssh-keygen -q -t ed25519 -N '' -f "$work/id"
cp "$work/id.pub" "$work/authorized_keys"
cat >"$work/sshd_config" <<CONFIG
HostKey $work/host_key
AuthorizedKeysFile $work/authorized_keys
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
StrictModes no
UsePAM no
Subsystem sftp internal-sftp
CONFIG
mkdir -p /run/sshd

ip netns add "$ctl"
ip -n "$ctl" link set lo up
start_device() { # site index, name
  ip netns exec "$P-site$1-dev" "$sim" --exit-with-parent \
    --device "ip=10.70.$1.21,mac=02:00:5e:70:0$1:21,name=$2,proto=both,gateway=10.70.$1.1" >/dev/null 2>&1 &
  sims[$1]=$!
}
printf '[sites]\n' >"$work/inventory.ini"
for i in 1 2; do
  site=$P-site$i dev=$P-site$i-dev
  names+=("$site" "$dev")
  ip netns add "$site"
  ip netns add "$dev"
  ip -n "$site" link set lo up
  ip -n "$dev" link set lo up
  # The site's own network: its host and one device.
  ip link add s0 netns "$site" type veth peer name d0 netns "$dev"
  ip -n "$site" addr add "10.70.$i.10/24" dev s0
  ip -n "$dev" addr add "10.70.$i.21/24" dev d0
  ip -n "$site" link set s0 up
  ip -n "$dev" link set d0 up
  # The way in from the machine that runs Ansible.
  ip link add "m$i" netns "$ctl" type veth peer name m0 netns "$site"
  ip -n "$ctl" addr add "10.71.$i.1/24" dev "m$i"
  ip -n "$site" addr add "10.71.$i.2/24" dev m0
  ip -n "$ctl" link set "m$i" up
  ip -n "$site" link set m0 up
  ip netns exec "$site" /usr/sbin/sshd -f "$work/sshd_config" -o "ListenAddress=10.71.$i.2" -o "PidFile=$work/sshd$i.pid"
  start_device "$i" "Cam$i"
  printf 'site%s ansible_host=10.71.%s.2 record_file=%s/site%s.json\n' "$i" "$i" "$work" "$i" >>"$work/inventory.ini"
done
cat >>"$work/inventory.ini" <<VARS
[sites:vars]
ansible_user=root
ansible_ssh_private_key_file=$work/id
ansible_ssh_common_args=-o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null
ansible_python_interpreter=/usr/bin/python3
brenmoor_cli=$cli
VARS
sleep 1

playbook() {
  ip netns exec "$ctl" env LC_ALL=C.UTF-8 ANSIBLE_LOCAL_TEMP="$work/ansible-local" ANSIBLE_REMOTE_TEMP="$work/ansible-remote" \
    ANSIBLE_HOME="$work/ansible" ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0 \
    ansible-playbook -i "$work/inventory.ini" "$playbook" -e "records_here=$work/records" "$@"
}

playbook -e mode=save || fail "the playbook could not save the records"
for i in 1 2; do
  [ -s "$work/records/site$i.json" ] || fail "site$i: no record fetched"
  grep -q '"format": "brenmoor-site-record"' "$work/records/site$i.json" || fail "site$i: the record is not one"
  grep -q "\"mac\": \"02:00:5e:70:0$i:21\"" "$work/records/site$i.json" || fail "site$i: its device is not in its record"
  grep -q "\"name\": \"Cam$i\"" "$work/records/site$i.json" || fail "site$i: its device's name is not in its record"
done

# The planted difference: site 2's camera renamed.
kill "${sims[2]}"; wait "${sims[2]}" 2>/dev/null || true
start_device 2 Renamed
sleep 1
playbook || fail "the playbook could not compare the sites"
grep -q '"change": "unchanged"' "$work/records/site1-changes.json" || fail "site1: its camera should be unchanged"
grep -q '"change": "renamed"' "$work/records/site1-changes.json" && fail "site1: nothing was renamed there"
grep -q '"change": "renamed"' "$work/records/site2-changes.json" || fail "site2: the renamed camera was not found"
grep -q '"name": "Renamed"' "$work/records/site2-changes.json" || fail "site2: the camera's new name is missing"
echo "PASS: both sites' records saved and fetched; the renamed camera of site2 found, site1 unchanged"
