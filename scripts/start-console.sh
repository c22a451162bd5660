#!/usr/bin/env bash
# Installs what is needed, builds, and starts the console in demo/, its
# program directory (settings and logs are kept there), on a simulated serial
# bus: amplifiers 'A' and 'B' ('B' a few beam hours short of its target) and
# the outdoor controller 'C'. Closing the console stops the simulator.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target corvane corvane-sim
mkdir -p demo
cd demo

# The bus lives under /tmp: sdefault.txt keeps only a short port name.
run_dir="$(mktemp -d /tmp/corvane-demo.XXXXXX)"
sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$run_dir"
}
trap cleanup EXIT

../build/sim/corvane-sim --link "$run_dir/bus" --control "$run_dir/control" \
  --amp A --amp B --controller C >"$run_dir/sim.out" &
sim_pid=$!
for _ in $(seq 100); do
  grep -q '^ready ' "$run_dir/sim.out" 2>/dev/null && break
  kill -0 "$sim_pid" 2>/dev/null || { echo "corvane-sim did not start" >&2; exit 1; }
  sleep 0.1
done
control() { printf '%s\n' "$1" | socat - UNIX-CONNECT:"$run_dir/control" >/dev/null; }
control "hours B 21480 19985"
control "set B target 20000"

printf '%s 9600 N 8 1 0' "$run_dir/bus" >sdefault.txt
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting the console on a virtual X server." >&2
  xvfb-run -a -s "-screen 0 1280x1024x24" ../build/corvane "$@"
else
  ../build/corvane "$@"
fi
