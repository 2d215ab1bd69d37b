#!/usr/bin/env bash
# Export of an 86 400-row list to a text file (offscreen): prints the time and the peak RSS,
# and the cost of one append early and late in the list. Target: export <= 0.3 s.
# Usage: bench/bench_export.sh [build folder, default build/] [rows]
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/lib.sh
build=${1:-build}
bench_build "$build" bench_export
QT_QPA_PLATFORM=offscreen "$build/bench/bench_export" "${2:-86400}"
