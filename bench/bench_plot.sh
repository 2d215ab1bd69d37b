#!/usr/bin/env bash
# Plot of a 43 346-record data list and an 86 400-row file list with the windows shown
# (offscreen), from the Plot button to the finished chart. Target: the data list <= 2 s.
# Runs it `runs` times (default 5) and prints each run and the medians.
# Usage: bench/bench_plot.sh [build folder, default build/] [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-5}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target bench_plot -j3 >/dev/null
data=(); file=()
for ((r = 1; r <= runs; r++)); do
    out=$(QT_QPA_PLATFORM=offscreen "$build/bench/bench_plot")
    echo "$out"
    data+=("$(echo "$out" | awk '/^data list/ {print $(NF-1)}')")
    file+=("$(echo "$out" | awk '/^file list/ {print $(NF-1)}')")
done
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
echo "median data list: $(median "${data[@]}") s, file list: $(median "${file[@]}") s"
