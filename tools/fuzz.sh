#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while on its corpus.
#   tools/fuzz.sh [SECONDS_PER_TARGET]     (default 60; BM_FUZZ_TARGETS picks targets)
# The working corpus grows in build-fuzz/corpus; the seeds stay in fuzz/corpus. A crash
# leaves its input in build-fuzz/crashes and fails the run. BM_BUILD_DIR builds elsewhere.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${BM_BUILD_DIR:-$root/build-fuzz}

"$root/tools/install-deps.sh" fuzz
BM_PRESET=fuzz "$root/tools/build.sh" >/dev/null
bin=$build/fuzz

mkdir -p "$build/crashes"
status=0
for target in ${BM_FUZZ_TARGETS:-json_reply kv_reply arp_line neighbour_dump arp_helper site_record}; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  cp -n "$root/fuzz/corpus/$target/"* "$corpus/" 2>/dev/null || true
  log="$build/fuzz_$target.log"
  [ -x "$bin/fuzz_$target" ] || { echo "fuzz_$target was not built" >&2; exit 1; }
  # A datagram may be as large as a UDP payload can be.
  max_len=4096
  case $target in json_reply | kv_reply) max_len=65507 ;; esac
  if "$bin/fuzz_$target" "$corpus" -max_total_time="$seconds" -max_len="$max_len" -print_final_stats=1 \
      -artifact_prefix="$build/crashes/${target}-" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1)
    echo "fuzz_$target: $runs executions in ${seconds} s, $cov, corpus $(ls "$corpus" | wc -l) inputs, no crash"
  else
    echo "fuzz_$target: CRASH, input saved in $build/crashes (log: $log)"
    tail -n 30 "$log"
    status=1
  fi
done
exit $status
