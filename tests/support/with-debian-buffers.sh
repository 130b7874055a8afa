#!/usr/bin/env bash
# Runs COMMAND with the socket buffer limits Debian ships (net.core.rmem_default and
# rmem_max 212992), as an ordinary user's machine has them, and puts back what it found
# however COMMAND ends. The limits are host-wide and can be set only from the host's own
# network namespace: run this there (CTest does), around lab.sh exec. Runs that overlap wait
# for each other.
#   with-debian-buffers.sh COMMAND...
set -euo pipefail
[ "$(id -u)" -eq 0 ] || { echo "with-debian-buffers: must run as root" >&2; exit 1; }
mkdir -p /run/bm-buffers
exec 9>/run/bm-buffers/lock
flock 9
saved_max=$(sysctl -n net.core.rmem_max)
saved_default=$(sysctl -n net.core.rmem_default)
restore() { sysctl -qw net.core.rmem_max="$saved_max" net.core.rmem_default="$saved_default"; }
trap restore EXIT
sysctl -qw net.core.rmem_max=212992 net.core.rmem_default=212992 2>/dev/null || true
# sysctl says nothing in its status: a namespace other than the host's own (a container)
# cannot change them, and the run goes on with the host's values, said here.
[ "$(sysctl -n net.core.rmem_max)" = 212992 ] \
  || echo "with-debian-buffers: net.core.rmem_max stays $(sysctl -n net.core.rmem_max) (not the host's own namespace)" >&2
"$@"
