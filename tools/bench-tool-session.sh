#!/usr/bin/env bash
# Part of tools/bench.sh, on the lab's tool host with an X display: the real program's idle
# CPU (after its start-up sweep) and its peak memory after a Search answered by the
# simulated devices of the lab's many hosts.
set -euo pipefail
. "$(dirname "$0")/lab-constants.sh"
binary=$1
export QT_XCB_GL_INTEGRATION=none
"$binary" >/dev/null 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
window=""
for _ in $(seq 1 100); do
  window=$(xdotool search --onlyvisible --name "^${BM_WINDOW_TITLE}\$" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
sleep 14 # the start-up sweep of five interfaces is over
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
t0=$(ticks)
sleep 10
t1=$(ticks)
awk -v a="$t0" -v b="$t1" -v hz="$(getconf CLK_TCK)" \
  'BEGIN { printf "idle CPU over 10 s: %.2f %% of one core\n", (b - a) * 100 / hz / 10 }'
echo "memory after start-up: $(awk '/VmHWM/ {print $2, $3}' "/proc/$pid/status") peak"
xdotool mousemove --window "$window" 1330 49 click 1
sleep 14 # the replies, and the sweep of five interfaces
echo "peak memory (VmHWM) after a 1,000-device search: $(awk '/VmHWM/ {print $2, $3}' "/proc/$pid/status")"
