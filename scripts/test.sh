#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test; then the same tests in
# the AddressSanitizer + UndefinedBehaviorSanitizer build under the de_DE.UTF-8
# locale (skip that with CORVANE_SKIP_SANITIZE=1); then the capture, Model.cfg and
# XMODEM fuzzers, sharing CORVANE_FUZZ_SECONDS (default 30; 0 skips them).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default -j2 --timeout 300
# The soak for 30 s: 64 panels on a lossy simulated bus.
bench/soak.sh 30
if [ "${CORVANE_SKIP_SANITIZE:-0}" != 1 ]; then
  cmake --preset sanitize >/dev/null
  cmake --build --preset sanitize
  # Under a comma locale, so that no number on the wire or in a file follows it.
  LC_ALL=de_DE.UTF-8 LANG=de_DE.UTF-8 ctest --preset sanitize -j2 --timeout 600
fi
fuzz_seconds="${CORVANE_FUZZ_SECONDS:-30}"
if [ "$fuzz_seconds" != 0 ]; then
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz
  corpus="$(mktemp -d)"
  trap 'rm -rf "$corpus"' EXIT
  mkdir "$corpus/capture" "$corpus/model_cfg" "$corpus/xmodem"
  each=$(((fuzz_seconds + 2) / 3))
  build-fuzz/tests/fuzz/fuzz_capture -max_total_time="$each" -print_final_stats=1 \
    -artifact_prefix=build-fuzz/ "$corpus/capture" tests/fuzz/seeds
  build-fuzz/tests/fuzz/fuzz_model_cfg -max_total_time="$each" -print_final_stats=1 \
    -artifact_prefix=build-fuzz/ "$corpus/model_cfg" tests/fuzz/model_cfg_seeds
  build-fuzz/tests/fuzz/fuzz_xmodem -max_total_time="$each" -print_final_stats=1 \
    -artifact_prefix=build-fuzz/ "$corpus/xmodem" tests/fuzz/xmodem_seeds
fi
