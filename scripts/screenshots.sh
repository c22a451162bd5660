#!/usr/bin/env bash
# Renders the amplifier panel, its frequency variant, the outdoor
# controller panel and the Model.cfg editor against the simulator (offscreen)
# into docs/screenshots/
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target render_screenshots corvane-sim
QT_QPA_PLATFORM=offscreen build/tests/screenshots/render_screenshots docs/screenshots
ls -l docs/screenshots
