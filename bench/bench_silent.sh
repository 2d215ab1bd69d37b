#!/usr/bin/env bash
# CPU use while the meter is silent (the stand-in stopped, its terminal still open: "No COM" after
# about 8 s), and the time to mirror the meter again once it speaks.
# Target: below 2 % of one core while silent.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build >/dev/null
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
QT_QPA_PLATFORM=offscreen build/bench/bench_silent build/tools/meter_standin "$run/meter" "${1:-20}"
