#!/usr/bin/env bash
# Plot of a 43 346-record data list, an 86 400-row file list (a day of 1-second recording) and a
# 2 592 000-row file list (a month) with the windows shown, from the Plot button to the finished
# chart. Targets: <= 0.15 s, <= 0.25 s and <= 3 s. Runs on the offscreen platform and on a real X
# server (Xvfb with the xcb platform), where the traffic to
# the server counts too. Runs each `runs` times (default 5) and prints each run and the medians.
# Usage: bench/bench_plot.sh [build folder, default build/] [runs] [platforms, default "offscreen xcb"]
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/lib.sh
build=${1:-build}
runs=${2:-5}
platforms=${3:-offscreen xcb}
bench_build "$build" bench_plot

trap stop_xvfb EXIT

for platform in $platforms; do
    if [ "$platform" = xcb ]; then start_xvfb; fi
    data=(); file=(); month=()
    for ((r = 1; r <= runs; r++)); do
        out=$(QT_QPA_PLATFORM=$platform "$build/bench/bench_plot")
        echo "$platform: $out" | sed "2,\$s/^/$platform: /"
        data+=("$(echo "$out" | awk '/^data list/ {print $(NF-1)}')")
        file+=("$(echo "$out" | awk '/^file list/ {print $(NF-1)}')")
        month+=("$(echo "$out" | awk '/^month file list/ {print $(NF-1)}')")
    done
    echo "$platform medians of $runs: data list $(median "${data[@]}") s (<= 0.15)," \
        "day file list $(median "${file[@]}") s (<= 0.25), month file list $(median "${month[@]}") s (<= 3)"
    if [ "$platform" = xcb ]; then stop_xvfb; xvfb=; fi
done
