#!/usr/bin/env bash
# Configures and builds into build/ (or $BM_BUILD_DIR). Extra arguments go to CMake;
# BM_TARGETS="a b" builds only those targets (default: everything).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BM_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=${BM_BUILD_TYPE:-RelWithDebInfo} "$@" >/dev/null
targets=()
for t in ${BM_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build" -j "$(nproc)" "${targets[@]}"
