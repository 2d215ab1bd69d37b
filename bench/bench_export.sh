#!/usr/bin/env bash
# Export of an 86 400-row list to a text file (offscreen): prints the time and the peak RSS,
# and the cost of one append early and late in the list. Target: export <= 0.3 s.
# Usage: bench/bench_export.sh [build folder, default build/] [rows]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target bench_export -j"$(nproc)" >/dev/null
QT_QPA_PLATFORM=offscreen "$build/bench/bench_export" "${2:-86400}"
