#!/usr/bin/env bash
# Opening data files from "Open", offscreen and on a real X server (Xvfb, xcb): a day of 1 s
# samples (86 400 rows) and a month of them (2 592 000 rows, 59 MB), from the click to the list on
# the screen, with the peak memory the open adds over the program's start; and /dev/urandom, which
# must be refused at once. The files are made here, in a temporary folder.
# Targets (xcb): 2 592 000 rows <= 1.5 s and <= 3 x the file; 86 400 rows <= 0.1 s.
# Usage: bench/bench_open.sh [build folder, default build/] [runs, default 5]
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/lib.sh
build=${1:-build}
runs=${2:-5}
bench_build "$build" bench_open
run=$(mktemp -d)
trap 'stop_xvfb; rm -rf "$run"' EXIT

recording() { # ROWS FILE: a recording file of ROWS one-second samples
    awk -v rows="$1" 'BEGIN {
        printf "\tTime\tW/(M)2\r\n"
        for (n = 1; n <= rows; ++n) {
            s = n % 86400
            printf "%d\t%02d:%02d:%02d\t%d.5\r\n", n, s / 3600, s / 60 % 60, s % 60, 100 + n % 1900
        }
    }' >"$2"
}
recording 86400 "$run/day.txt"
recording 2592000 "$run/month.txt"

start_xvfb

for platform in offscreen xcb; do
    for file in day month; do
        shown=()
        grown=()
        for ((i = 0; i < runs; ++i)); do
            out=$(QT_QPA_PLATFORM=$platform "$build/bench/bench_open" "$run/$file.txt")
            shown+=("$(echo "$out" | sed -n 's/.*on screen \([0-9.]*\) s/\1/p')")
            grown+=("$(echo "$out" | sed -n 's/.*= \([0-9.]*\) x the file/\1/p')")
        done
        echo "$platform $file ($(echo "$out" | sed -n 's/^rows //p') rows): median click to list on screen" \
            "$(median "${shown[@]}") s, median peak growth $(median "${grown[@]}") x the file"
    done
    t0=$(date +%s.%N)
    out=$(QT_QPA_PLATFORM=$platform timeout 60 "$build/bench/bench_open" /dev/urandom)
    t1=$(date +%s.%N)
    echo "$platform /dev/urandom: $(echo "$out" | sed -n 's/^read \([0-9.]*\) s.*/read step \1 s/p')," \
        "whole run $(echo "$t1 - $t0" | bc) s; $(echo "$out" | grep '^message')"
done
