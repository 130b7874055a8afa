#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds, and runs every test (unit, widget
# tests under Xvfb, and the network tests inside the lab, which is always torn down).
# Without arguments it first builds the program against Qt 6 as well (build-qt6/) and runs its
# unit and widget tests there; the network tests run once, on the default Qt 5, whose summary
# closes the run. BRENMOOR_QT=6 runs the whole suite against Qt 6 instead; arguments go to CTest
# and keep the run to the one Qt.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -eq 0 ] && [ -z "${BRENMOOR_QT:-}" ]; then
  echo "== Qt 6: build, unit and widget tests"
  BRENMOOR_QT=6 BM_BUILD_DIR="$root/build-qt6" "$0" -L 'unit|gui'
  echo "== Qt 5: build, the whole suite"
fi
"$root/tools/install-deps.sh"
"$root/tools/build.sh" -DBRENMOOR_BUILD_TESTS=ON
cd "${BM_BUILD_DIR:-$root/build}"
# A lab left over by an interrupted run must not disturb this one.
"$root/tools/lab.sh" down
ctest --output-on-failure -j "$(nproc)" "$@"
