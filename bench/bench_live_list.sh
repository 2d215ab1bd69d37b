#!/usr/bin/env bash
# The real-time list filled by the sampler to its 86 400 rows (offscreen): time and peak RSS.
# Targets: 86 400 appends <= 0.5 s in all; peak RSS with the full list <= 100 MB.
# Then, for information, 2 000 ticks with the window events (painting) run after every tick.
# Usage: bench/bench_live_list.sh [build folder, default build/] [rows]
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/lib.sh
build=${1:-build}
bench_build "$build" bench_live_list
QT_QPA_PLATFORM=offscreen "$build/bench/bench_live_list" "${2:-86400}"
echo
QT_QPA_PLATFORM=offscreen "$build/bench/bench_live_list" 2000 1
