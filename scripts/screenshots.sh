#!/usr/bin/env bash
# Renders the amplifier panel, its frequency variant, the outdoor
# controller panel, the Model.cfg editor and an amplifier's Trends window
# against the simulator (offscreen)
# into docs/screenshots/
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target render_screenshots render_trends corvane-sim
QT_QPA_PLATFORM=offscreen build/tests/screenshots/render_screenshots docs/screenshots
QT_QPA_PLATFORM=offscreen build/tests/screenshots/render_trends docs/screenshots
ls -l docs/screenshots
