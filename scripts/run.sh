#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program's main job: a poll of
# the bundled router simulator on loopback, printed as a table of bits per tone.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/plain -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/plain -j"$(nproc)" --target quillmont-routersim quillmont-poll

sim_out=$(mktemp)
build/plain/tools/routersim/quillmont-routersim --port 0 --user Administrator --password demo >"$sim_out" &
sim=$!
trap 'kill $sim 2>/dev/null; rm -f "$sim_out"' EXIT
for _ in $(seq 100); do [ -s "$sim_out" ] && break; sleep 0.05; done
port=$(head -n1 "$sim_out")

echo "Bits per tone from the router simulator at 127.0.0.1:$port"
QUILLMONT_PASSWORD=demo build/plain/tools/poll/quillmont-poll "127.0.0.1:$port" Administrator \
  | awk -F, 'NR > 1 { if ($1 % 16 == 0) printf "\n%4d-%-4d|", $1, $1 + 15; printf "%3d", $2 } END { print "" }'
