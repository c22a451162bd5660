#!/usr/bin/env bash
# Polling cost with 16 and then 64 amplifier panels against the simulator:
# CPU time over wall time, time per tick, answer to panel. Run after a build
# of the default preset (build/).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
for panels in 16 64; do
  ${CORVANE_BUILD:-build}/bench/poll_load --panels "$panels" --seconds "$seconds" 2>/dev/null
  echo
done
