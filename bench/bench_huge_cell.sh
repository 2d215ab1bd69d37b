#!/usr/bin/env bash
# One paint of a list grid holding one huge cell (20 MB of digits), offscreen and on a real X
# server (Xvfb, xcb): median of a few paints, against one of ordinary rows.
# Target: one paint with the 20 MB cell in view < 50 ms.
# Usage: bench/bench_huge_cell.sh [build folder, default build/] [cell bytes, default 20000000]
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/lib.sh
build=${1:-build}
bench_build "$build" bench_huge_cell
trap 'stop_xvfb' EXIT
start_xvfb
for platform in offscreen xcb; do
    echo "$platform:"
    QT_QPA_PLATFORM=$platform "$build/bench/bench_huge_cell" "${2:-20000000}"
done
