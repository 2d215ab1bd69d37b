#!/usr/bin/env bash
# Plot of a 43 346-record data list and an 86 400-row file list with the windows shown
# (offscreen), from the Plot button to the finished chart. Target: the data list <= 2 s.
# Runs it `runs` times (default 5) and prints each run and the medians.
# Usage: bench/bench_plot.sh [build folder, default build/] [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/lib.sh
build=${1:-build}
runs=${2:-5}
bench_build "$build" bench_plot
data=(); file=()
for ((r = 1; r <= runs; r++)); do
    out=$(QT_QPA_PLATFORM=offscreen "$build/bench/bench_plot")
    echo "$out"
    data+=("$(echo "$out" | awk '/^data list/ {print $(NF-1)}')")
    file+=("$(echo "$out" | awk '/^file list/ {print $(NF-1)}')")
done
echo "median data list: $(median "${data[@]}") s, file list: $(median "${file[@]}") s"
