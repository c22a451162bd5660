#!/usr/bin/env bash
# Installs what is needed, builds, and starts the console in demo/, its
# program directory (settings and logs are kept there), on a simulated serial
# bus: amplifiers 'A' and 'B' ('B' a few beam hours short of its target) and
# the outdoor controller 'C'. Closing the console stops the simulator.
# --ethernet: the same devices on the network instead, each on its own
# loopback address (127.0.0.10, .11, .12, TCP port 2000), sdefault.txt naming
# the first one and the console's discovery request sent to the simulator.
# Other arguments go to the console.
set -euo pipefail
ethernet=""
if [ "${1:-}" = "--ethernet" ]; then
  ethernet=1
  shift
fi
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target corvane corvane-sim
mkdir -p demo
cd demo

# The bus and the control socket live in a scratch folder of their own.
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

network=()
if [ -n "$ethernet" ]; then
  # Everything stays on loopback; the discovery port is the simulator's choice.
  network=(--ip-base 127.0.0.10 --tcp-port 2000 --discovery 127.0.0.1:0)
fi
../build/sim/corvane-sim --link "$run_dir/bus" --control "$run_dir/control" \
  --amp A --amp B --controller C "${network[@]}" >"$run_dir/sim.out" &
sim_pid=$!
for _ in $(seq 100); do
  grep -q '^ready ' "$run_dir/sim.out" 2>/dev/null && break
  kill -0 "$sim_pid" 2>/dev/null || { echo "corvane-sim did not start" >&2; exit 1; }
  sleep 0.1
done
grep -q '^ready ' "$run_dir/sim.out" || { echo "corvane-sim did not get ready" >&2; exit 1; }
control() { printf '%s\n' "$1" | socat - UNIX-CONNECT:"$run_dir/control"; }
control "hours B 21480 19985" >/dev/null
control "set B target 20000" >/dev/null

if [ -n "$ethernet" ]; then
  # "ok port=2000 discovery=127.0.0.1:N A=127.0.0.10 B=127.0.0.11 C=127.0.0.12"
  summary="$(control network)"
  discovery="$(sed -n 's/.* discovery=\([^ ]*\).*/\1/p' <<<"$summary")"
  first="$(sed -n 's/.* A=\([^ ]*\).*/\1/p' <<<"$summary")"
  [ -n "$discovery" ] && [ -n "$first" ] || { echo "corvane-sim: $summary" >&2; exit 1; }
  export CORVANE_DISCOVERY_ADDRESS="$discovery"
  printf '%s 9600 N 8 1 %s' "$run_dir/bus" "$first" >sdefault.txt
else
  printf '%s 9600 N 8 1 0' "$run_dir/bus" >sdefault.txt
fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting the console on a virtual X server." >&2
  xvfb-run -a -s "-screen 0 1280x1024x24" ../build/corvane "$@"
else
  ../build/corvane "$@"
fi
