#!/usr/bin/env bash
# The sanitizer stage of CI: the whole suite built with AddressSanitizer and
# UndefinedBehaviorSanitizer, then the network, end-to-end and widget tests built with
# ThreadSanitizer. Suppressions (tests/sanitizers) cover only libraries not built with the
# sanitizers, each with its reason.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
supp="$root/tests/sanitizers"
"$root/tools/install-deps.sh"
"$root/tools/lab.sh" down

echo "== AddressSanitizer + UndefinedBehaviorSanitizer: build and whole suite"
BM_PRESET=asan "$root/tools/build.sh" >/dev/null
(cd "$root/build-asan" &&
  ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" \
  LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0" \
  UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
  ctest --output-on-failure -j "$(nproc)")

echo "== ThreadSanitizer: build, network, end-to-end and widget tests"
BM_PRESET=tsan "$root/tools/build.sh" >/dev/null
(cd "$root/build-tsan" &&
  TSAN_OPTIONS="suppressions=$supp/tsan.supp:second_deadlock_stack=1" \
  ctest --output-on-failure -L 'lab|gui')
