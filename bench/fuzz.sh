#!/usr/bin/env bash
# Long fuzzing of every target under AddressSanitizer + UBSan, then the executions per second of
# each. Not a test.
#   bench/fuzz.sh [RUNS [WORKERS]]   10 million runs per target, shared among 3 processes, by default
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-10000000}"
export FUZZ_WORKERS="${2:-3}"
JOBS="${JOBS:-3}" scripts/build-asan >/dev/null
status=0
for bin in build-asan/tests/fuzz/fuzz_*; do
  [ -f "$bin" ] && [ -x "$bin" ] || continue
  scripts/fuzz "$(basename "$bin")" "$runs" || status=1
done
exit $status
