#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program's main job against the
# bundled router simulator on loopback: with a display, the monitor window with
# the simulator's address and password filled in (press Plot); without one, a
# poll printed as a table of bits per tone.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset plain >/dev/null
cmake --build build/plain -j"$(nproc)" --target quillmont-routersim quillmont-poll quillmont-monitor

sim_out=$(mktemp)
build/plain/tools/routersim/quillmont-routersim --port 0 --user Administrator --password demo >"$sim_out" &
sim=$!
trap 'kill $sim 2>/dev/null; rm -f "$sim_out"' EXIT
for _ in $(seq 100); do [ -s "$sim_out" ] && break; sleep 0.05; done
port=$(head -n1 "$sim_out")

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Router simulator at 127.0.0.1:$port (user Administrator, password demo)."
  echo "Press Plot in the monitor window; close the window to end."
  QUILLMONT_PASSWORD=demo build/plain/tools/monitor/quillmont-monitor --host "127.0.0.1:$port" --user Administrator
  exit 0
fi

echo "Bits per tone from the router simulator at 127.0.0.1:$port"
QUILLMONT_PASSWORD=demo build/plain/tools/poll/quillmont-poll "127.0.0.1:$port" Administrator \
  | awk -F, 'NR > 1 { if ($1 % 16 == 0) printf "\n%4d-%-4d|", $1, $1 + 15; printf "%3d", $2 } END { print "" }'
