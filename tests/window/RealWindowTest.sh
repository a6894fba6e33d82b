#!/usr/bin/env bash
# The monitor in a real X window (Xvfb), driven like a person would with
# xdotool: type the router simulator's address and the password, press Plot,
# and check on a screenshot that bars in both colours appeared and the
# indicator turned green; then Stop turns it red.
# Usage: RealWindowTest.sh MONITOR ROUTERSIM OUTDIR
# Exits 77 (skipped) when Xvfb, xdotool or ImageMagick are missing.
set -euo pipefail
monitor=$1
routersim=$2
out=$3
for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
mkdir -p "$out"
rm -f "$out"/*.png

pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[$i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT

# Waits up to 10 s for a command to succeed.
wait_for() {
  for _ in $(seq 200); do "$@" >/dev/null 2>&1 && return 0; sleep 0.05; done
  return 1
}

# A display of our own: Xvfb picks a free number and writes it to the pipe.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
pids+=($!)
wait_for test -s "$out/display" || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=":$(head -n1 "$out/display")"
export XDG_RUNTIME_DIR="$out/run"
export XDG_DATA_HOME="$out/data"  # the line history of this run
mkdir -p -m 700 "$out/run"
export QT_QPA_PLATFORM=xcb

"$routersim" --port 0 --password demo >"$out/routersim.port" &
pids+=($!)
wait_for test -s "$out/routersim.port" || { echo "the simulator did not start"; exit 1; }
port=$(head -n1 "$out/routersim.port")

env -u QUILLMONT_PASSWORD "$monitor" >"$out/monitor.log" 2>&1 &
pids+=($!)
wait_for xdotool search --onlyvisible --name '^Quillmont Bitloading Monitor$' || { echo "no window"; exit 1; }
window=$(xdotool search --onlyvisible --name '^Quillmont Bitloading Monitor$' | head -n1)
xdotool windowmove --sync "$window" 0 0
eval "$(xdotool getwindowgeometry --shell "$window")"  # WIDTH, HEIGHT
# The controls' design positions are in the client area under the menu bar;
# at its start size the window is the menu bar and 699 x 430 of client area.
menu=$((HEIGHT - 430))

click() { xdotool mousemove --window "$window" "$1" $(($2 + menu)) click 1; sleep 0.2; }
shot() { import -window root -crop "${WIDTH}x${HEIGHT}+0+0" +repage "$out/$1.png"; }
pixel() { convert "$out/$1.png" -format "%[pixel:p{$2,$(($3 + menu))}]" info:; }
# Pixels of the colour in the chart's area.
chart_pixels() {
  convert "$out/$1.png" -crop "696x237+0+$menu" +repage -fill black +opaque "$2" -fill white -opaque "$2" \
    -format '%[fx:round(mean*w*h)]' info:
}

shot start
[ "$(pixel start 42 370)" = "srgb(255,0,0)" ] || { echo "indicator not red at start: $(pixel start 42 370)"; exit 1; }

# Host (select what is there and type over it), password, Plot.
click 160 260
xdotool key --window "$window" ctrl+a
xdotool type --window "$window" --delay 20 "127.0.0.1:$port"
click 160 324
xdotool type --window "$window" --delay 20 "demo"
click 125 369

indicator_green() { shot plotted && [ "$(pixel plotted 42 370)" = "srgb(0,128,0)" ]; }
wait_for indicator_green || { echo "indicator did not turn green: $(pixel plotted 42 370)"; exit 1; }
sleep 0.3
shot plotted
green=$(chart_pixels plotted 'rgb(0,128,0)')
blue=$(chart_pixels plotted 'rgb(0,0,255)')
echo "chart pixels: green $green, blue $blue"
[ "$green" -gt 100 ] && [ "$blue" -gt 1000 ] || { echo "bars missing"; exit 1; }

# Stop turns the indicator red.
click 205 369
indicator_red() { shot stopped && [ "$(pixel stopped 42 370)" = "srgb(255,0,0)" ]; }
wait_for indicator_red || { echo "indicator did not turn red: $(pixel stopped 42 370)"; exit 1; }
echo "real window: plotted and stopped; screenshots in $out"
