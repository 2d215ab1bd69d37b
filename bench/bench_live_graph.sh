#!/usr/bin/env bash
# The live graph over one full sweep (about 18 s each), several runs: process CPU as a share of
# one core, and its median. Target: <= 10 % of one core.
# Usage: bench/bench_live_graph.sh [build folder, default build/] [runs, default 3]
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/lib.sh
build=${1:-build}
runs=${2:-3}
bench_build "$build" bench_live_graph
shares=()
for ((i = 1; i <= runs; ++i)); do
    out=$(QT_QPA_PLATFORM=offscreen "$build/bench/bench_live_graph" || true)
    echo "$out"
    echo
    shares+=("$(echo "$out" | sed -n 's/.*, \([0-9.]*\) % of one core.*/\1/p')")
done
printf "median process CPU over %d sweeps: %.2f %% of one core (target <= 10 %%)\n" "${#shares[@]}" \
    "$(median "${shares[@]}")"
