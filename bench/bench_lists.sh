#!/usr/bin/env bash
# Opening an 86 401-line recording file, and the peak RSS with the file list and a data list of
# 43 346 rows in both grids full (offscreen). Runs it several times and prints the medians.
# Targets: open <= 0.5 s; peak RSS <= 150 MB.
# Usage: bench/bench_lists.sh [build folder, default build/] [runs, default 5]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-5}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target bench_lists -j3 >/dev/null
opens=()
rss=()
for ((i = 0; i < runs; ++i)); do
    out=$(QT_QPA_PLATFORM=offscreen "$build/bench/bench_lists")
    echo "$out" | sed "s/^/run $((i + 1)): /"
    opens+=("$(echo "$out" | sed -n 's/^open .*: \([0-9.]*\) s.*/\1/p')")
    rss+=("$(echo "$out" | sed -n 's/^peak RSS \([0-9.]*\) MiB/\1/p')")
done
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
echo "median open: $(median "${opens[@]}") s (target <= 0.5 s)"
echo "median peak RSS: $(median "${rss[@]}") MiB (target <= 150 MB)"
