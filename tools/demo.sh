#!/usr/bin/env bash
# The tool's main job, against the lab instead of a real device network: installs what is
# missing, builds, brings the lab up with simulated devices on both subnets, runs brenmoor
# on the lab's tool host under Xvfb (1920 x 1080), presses Search, saves a screenshot of the
# listed devices, then lists the same devices with brenmoor-cli, and always tears the lab
# down.
#
#   tools/demo.sh            screenshot to out/brenmoor-lab.png
#   BM_OUT=/tmp/x tools/demo.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${BM_OUT:-$root/out}
lab="$root/tools/lab.sh"
. "$root/tools/lab-constants.sh"

"$root/tools/install-deps.sh" demo
BM_TARGETS="brenmoor brenmoor-cli brenmoor-arp bm-devicesim" "$root/tools/build.sh" -DBRENMOOR_BUILD_TESTS=OFF
mkdir -p "$out"

trap '"$lab" down' EXIT
"$lab" up
"$root/tools/lab-devices.sh" "${BM_BUILD_DIR:-$root/build}/tools/devicesim/bm-devicesim" "$out/devices"
"$lab" exec xvfb-run -a -s "$BM_XVFB_ARGS" \
  "$root/tools/lab-session.sh" "${BM_BUILD_DIR:-$root/build}/app/brenmoor" "$out/brenmoor-lab.png"
echo "demo: the same devices from the command line (brenmoor-cli discover):"
"$lab" exec "${BM_BUILD_DIR:-$root/build}/cli/brenmoor-cli" discover 2>"$out/brenmoor-cli.log"
