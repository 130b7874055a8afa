#!/usr/bin/env bash
# Configures with a preset of CMakePresets.json ($BM_PRESET, default "default") and builds
# into its folder (or $BM_BUILD_DIR). Extra arguments go to CMake; BM_TARGETS="a b" builds
# only those targets (default: everything); BRENMOOR_QT=6 builds against Qt 6.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
preset=${BM_PRESET:-default}
args=(--preset "$preset")
[ -z "${BM_BUILD_DIR:-}" ] || args+=(-B "$BM_BUILD_DIR")
[ -z "${BM_BUILD_TYPE:-}" ] || args+=("-DCMAKE_BUILD_TYPE=$BM_BUILD_TYPE")
[ -z "${BRENMOOR_QT:-}" ] || args+=("-DBRENMOOR_QT=$BRENMOOR_QT")
(cd "$root" && cmake "${args[@]}" "$@" >/dev/null)
targets=()
for t in ${BM_TARGETS:-}; do targets+=(--target "$t"); done
build=${BM_BUILD_DIR:-$root/$(case "$preset" in default) echo build ;; *) echo "build-$preset" ;; esac)}
cmake --build "$build" -j "$(nproc)" "${targets[@]}"
