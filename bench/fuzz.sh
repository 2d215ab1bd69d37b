#!/usr/bin/env bash
# Long fuzzing of every target under AddressSanitizer + UBSan, then the executions per second of
# each. Not a test.
#   bench/fuzz.sh [RUNS [WORKERS]]   10 million runs per target, shared among 3 processes, by default
set -euo pipefail
cd "$(dirname "$0")/.."
unset FUZZ_SEED # random seeds: a long run should look where earlier ones did not
runs="${1:-10000000}"
export FUZZ_WORKERS="${2:-3}"
JOBS="${JOBS:-3}" scripts/build-asan >/dev/null
status=0
for bin in build-asan/tests/fuzz/fuzz_*; do
  [ -f "$bin" ] && [ -x "$bin" ] || continue
  target=$(basename "$bin")
  extra=()
  # Decoding every record of every set makes long dumps slow; 256 bytes still hold many sets.
  [ "$target" = fuzz_logger_dump ] && extra=(-max_len=256)
  scripts/fuzz "$target" "$runs" "${extra[@]}" || status=1
done
exit $status
