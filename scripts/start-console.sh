#!/usr/bin/env bash
# Installs what is needed, builds, and starts the console in demo/, its
# program directory (settings and logs are kept there).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target corvane
mkdir -p demo
cd demo
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting the console on a virtual X server." >&2
  exec xvfb-run -a -s "-screen 0 1280x1024x24" ../build/corvane "$@"
fi
exec ../build/corvane "$@"
