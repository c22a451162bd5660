#!/usr/bin/env bash
# Soak: 64 panels with logs against a simulator that drops 10 % of the answers
# and corrupts 5 %, for SECONDS (default 300). Fails when the console does not
# run to the end, when a log misses value lines, or when resident memory grows
# by 5 MB or more after the first minute.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-300}"
report="$(${CORVANE_BUILD:-build}/bench/poll_load --panels 64 --seconds "$seconds" --drop 0.1 --bad-checksum 0.05 \
  --log 2>/dev/null)"
echo "$report"
echo "$report" | awk '
  /^logs / { logs = $2; fewest = $4; intervals = $6 }
  /growth after the first minute/ { growth = $NF }
  END {
    if (logs != 64) { print "soak: expected 64 logs, found " logs; exit 1 }
    if (fewest < intervals) { print "soak: a log got " fewest " lines in " intervals " intervals"; exit 1 }
    if (growth != "" && growth >= 5120) { print "soak: resident memory grew by " growth " KiB"; exit 1 }
    print "soak: passed"
  }'
