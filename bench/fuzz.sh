#!/usr/bin/env bash
# Long fuzzing of every target under AddressSanitizer + UBSan: RUNS runs each (10 million unless
# given), then the executions per second of each. Not a test.
#   bench/fuzz.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-10000000}"
scripts/build-asan >/dev/null
status=0
for bin in build-asan/tests/fuzz/fuzz_*; do
  [ -x "$bin" ] || continue
  scripts/fuzz "$(basename "$bin")" "$runs" || status=1
done
exit $status
