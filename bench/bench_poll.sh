#!/usr/bin/env bash
# CPU use of the poll loop: the program (offscreen) against the stand-in streaming 10 frames/s.
# Target: at most 2 % of one core.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build >/dev/null
run=$(mktemp -d)
build/tools/meter_standin --link "$run/meter" --period 100 >"$run/out" 2>"$run/log" &
standin=$!
trap 'kill $standin 2>/dev/null || true; rm -rf "$run"' EXIT
for _ in $(seq 50); do [ -e "$run/meter" ] && break; sleep 0.1; done
VANTREL_COM1="$run/meter" QT_QPA_PLATFORM=offscreen build/bench/bench_poll "${1:-10}"
