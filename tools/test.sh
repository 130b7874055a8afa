#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds, and runs every test (unit, widget
# tests under Xvfb, and the network tests inside the lab, which is always torn down).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
"$root/tools/build.sh" -DBRENMOOR_BUILD_TESTS=ON
cd "${BM_BUILD_DIR:-$root/build}"
# A lab left over by an interrupted run must not disturb this one.
"$root/tools/lab.sh" down
ctest --output-on-failure -j "$(nproc)" "$@"
