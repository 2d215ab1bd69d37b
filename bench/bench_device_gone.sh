#!/usr/bin/env bash
# CPU use while the meter's device is gone (the stand-in ended, its terminal closed), and the time
# to mirror the meter again once a new stand-in is behind the same link.
# Target: below 2 % of one core while gone.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build >/dev/null
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
QT_QPA_PLATFORM=offscreen build/bench/bench_device_gone build/tools/meter_standin "$run/meter" "${1:-10}"
