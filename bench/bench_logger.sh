#!/usr/bin/env bash
# The logger download of a full 128 K memory from the stand-in, paced at 1920 bytes/s as the meter
# sends (target: wall <= 1.02 x the 67.7 s line time, CPU <= 5 % of one core) and unpaced; then the
# decoding of its one 43 346-record set into both grids (target <= 0.3 s).
# Usage: bench/bench_logger.sh [runs] [paced|unpaced|decode|all]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build -j3 >/dev/null
runs=${1:-3}
what=${2:-all}
run=$(mktemp -d)
standin=
trap '[ -n "$standin" ] && kill $standin 2>/dev/null; rm -rf "$run"' EXIT

download() { # pace
    build/tools/meter_standin --link "$run/meter" --memory full --pace "$1" >"$run/out" 2>"$run/log" &
    standin=$!
    for _ in $(seq 50); do [ -e "$run/meter" ] && break; sleep 0.1; done
    VANTREL_COM1="$run/meter" QT_QPA_PLATFORM=offscreen build/bench/bench_logger download
    kill $standin
    wait $standin 2>/dev/null || true
    standin=
}

for _ in $(seq "$runs"); do
    case $what in paced | all) download 1920 ;; esac
    case $what in unpaced | all) download 0 ;; esac
    case $what in decode | all) QT_QPA_PLATFORM=offscreen build/bench/bench_logger decode ;; esac
done
