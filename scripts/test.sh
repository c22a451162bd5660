#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test; then the same tests in
# the AddressSanitizer + UndefinedBehaviorSanitizer build (skip that with
# CORVANE_SKIP_SANITIZE=1).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default -j2 --timeout 300
if [ "${CORVANE_SKIP_SANITIZE:-0}" != 1 ]; then
  cmake --preset sanitize >/dev/null
  cmake --build --preset sanitize
  ctest --preset sanitize -j2 --timeout 600
fi
