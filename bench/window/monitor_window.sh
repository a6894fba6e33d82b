#!/usr/bin/env bash
# Start-up and memory of the monitor window, measured in a real X window
# under Xvfb: the time from starting quillmont-monitor to the chart's first
# paint (median of RUNS starts), and the resident memory after one poll of the
# router simulator. Goals on the development machine: under 300 ms and under
# 60 MB.
# Usage: bash bench/window/monitor_window.sh [BUILD_DIR]   (default build/plain)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/plain}
runs=${RUNS:-7}
monitor=$build/tools/monitor/quillmont-monitor
routersim=$build/tools/routersim/quillmont-routersim
for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "needs $tool (bash scripts/install-deps.sh)"; exit 1; }
done
[ -x "$monitor" ] && [ -x "$routersim" ] || { echo "build quillmont-monitor and quillmont-routersim first"; exit 1; }

tmp=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[$i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
wait_for() {
  for _ in $(seq 400); do "$@" >/dev/null 2>&1 && return 0; sleep 0.025; done
  return 1
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
pids+=($!)
wait_for test -s "$tmp/display"
export DISPLAY=":$(head -n1 "$tmp/display")" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$tmp/run
mkdir -m 700 "$tmp/run"

"$routersim" --port 0 --password demo >"$tmp/port" &
pids+=($!)
wait_for test -s "$tmp/port"
port=$(head -n1 "$tmp/port")

# Start to first paint: the monitor reports the time of its first paint on
# standard error, read here through a pipe without polling.
mkfifo "$tmp/paint"
times=()
for run in $(seq "$runs"); do
  start=$(date +%s%N)
  QUILLMONT_BENCH_FIRST_PAINT=1 "$monitor" 2>"$tmp/paint" &
  pid=$!
  painted=""
  while read -r line; do
    case $line in "first paint "*) painted=${line#first paint }; break ;; esac
  done <"$tmp/paint"
  [ -n "$painted" ] || { echo "no first paint"; exit 1; }
  times+=($(( (painted - start) / 1000000 )))
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  sleep 0.2
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "start to first paint: median ${sorted[$((runs / 2))]} ms (runs: ${times[*]} ms; goal < 300 ms)"

# Resident memory after one poll.
QUILLMONT_PASSWORD=demo "$monitor" --host "127.0.0.1:$port" 2>/dev/null &
pid=$!
pids+=($pid)
wait_for xdotool search --onlyvisible --name '^Quillmont Bitloading Monitor$'
window=$(xdotool search --onlyvisible --name '^Quillmont Bitloading Monitor$' | head -n1)
xdotool windowmove --sync "$window" 0 0
eval "$(xdotool getwindowgeometry --shell "$window")"
menu=$((HEIGHT - 430))
xdotool mousemove --window "$window" 125 $((369 + menu)) click 1
green() {
  import -window root "$tmp/shot.png" &&
    [ "$(convert "$tmp/shot.png" -format "%[pixel:p{42,$((370 + menu))}]" info:)" = "srgb(0,128,0)" ]
}
wait_for green || { echo "the poll did not complete"; exit 1; }
sleep 0.5
rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
echo "resident memory after one poll: $((rss / 1024)) MB ($rss kB; goal < 60 MB)"
