#!/usr/bin/env bash
# CPU use of the poll loop: the program (offscreen) against the stand-in streaming 10 frames/s.
# Target: at most 2 % of one core.
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/lib.sh
scripts/build >/dev/null
run=$(mktemp -d)
standin=
trap '[ -n "$standin" ] && kill $standin 2>/dev/null; rm -rf "$run"' EXIT
start_standin "$run/meter" --period 100
VANTREL_COM1="$run/meter" QT_QPA_PLATFORM=offscreen build/bench/bench_poll "${1:-10}"
