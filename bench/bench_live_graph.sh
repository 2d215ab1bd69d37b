#!/usr/bin/env bash
# The live graph over one full sweep (about 18 s each), several runs, on the offscreen platform and
# on a real X server (Xvfb with the xcb platform): process CPU as a share of one core, and its
# median. Target: <= 10 % of one core.
# Usage: bench/bench_live_graph.sh [build folder, default build/] [runs, default 3] [platforms]
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/lib.sh
build=${1:-build}
runs=${2:-3}
platforms=${3:-offscreen xcb}
bench_build "$build" bench_live_graph
trap stop_xvfb EXIT
for platform in $platforms; do
    if [ "$platform" = xcb ]; then start_xvfb; fi
    shares=()
    for ((i = 1; i <= runs; ++i)); do
        out=$(QT_QPA_PLATFORM=$platform "$build/bench/bench_live_graph" || true)
        echo "$platform: $out"
        shares+=("$(echo "$out" | sed -n 's/.*, \([0-9.]*\) % of one core.*/\1/p')")
    done
    printf "%s: median process CPU over %d sweeps: %.2f %% of one core (target <= 10 %%)\n" "$platform" \
        "${#shares[@]}" "$(median "${shares[@]}")"
    if [ "$platform" = xcb ]; then stop_xvfb; fi
done
