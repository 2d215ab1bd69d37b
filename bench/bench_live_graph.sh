#!/usr/bin/env bash
# The live graph over one full sweep (about 18 s each), several runs: process CPU as a share of
# one core, and its median. Target: <= 10 % of one core.
# Usage: bench/bench_live_graph.sh [build folder, default build/] [runs, default 3]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-3}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target bench_live_graph -j3 >/dev/null
shares=()
for ((i = 1; i <= runs; ++i)); do
    out=$(QT_QPA_PLATFORM=offscreen "$build/bench/bench_live_graph" || true)
    echo "$out"
    echo
    shares+=("$(echo "$out" | sed -n 's/.*, \([0-9.]*\) % of one core.*/\1/p')")
done
printf '%s\n' "${shares[@]}" | sort -n | awk '{ v[NR] = $1 } END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "median process CPU over %d sweeps: %.2f %% of one core (target <= 10 %%)\n", NR, m }'
