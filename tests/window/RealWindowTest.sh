#!/usr/bin/env bash
# The monitor in a real X window (Xvfb), driven like a person would with
# xdotool: type the router simulator's address and the password, press Plot,
# and check on a screenshot that bars in both colours appeared and the
# indicator turned green; right-click the chart, choose "Save As...", type a
# name and press Enter, and check that the JPEG file holds a picture of the
# chart's size; open the dialog again and check that the saved file is
# previewed; then Stop turns the indicator red.
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

# Waits up to 30 s for a command to succeed (a machine busy with a parallel
# build may take that long to start a program or to repaint).
wait_for() {
  for _ in $(seq 600); do "$@" >/dev/null 2>&1 && return 0; sleep 0.05; done
  return 1
}

# A display of our own: Xvfb picks a free number and writes it to the pipe.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
pids+=($!)
wait_for test -s "$out/display" || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=":$(head -n1 "$out/display")"
# The display answers before anything connects to it (a busy machine may take a while).
wait_for xdotool getdisplaygeometry || { echo "the display does not answer"; exit 1; }
export XDG_RUNTIME_DIR="$out/run"
export XDG_DATA_HOME="$out/run/data"  # the line history of this run, out of the save dialog's list
mkdir -p -m 700 "$out/run"
export QT_QPA_PLATFORM=xcb

"$routersim" --port 0 --password demo >"$out/routersim.port" &
pids+=($!)
wait_for test -s "$out/routersim.port" || { echo "the simulator did not start"; exit 1; }
port=$(head -n1 "$out/routersim.port")

env -u QUILLMONT_PASSWORD "$monitor" >"$out/monitor.log" 2>&1 &
pids+=($!)
monitor_pid=$!
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
# The chart repaints after the poll has ended: wait for its bars.
bars_drawn() {
  shot plotted
  green=$(chart_pixels plotted 'rgb(0,128,0)')
  blue=$(chart_pixels plotted 'rgb(0,0,255)')
  [ "$green" -gt 100 ] && [ "$blue" -gt 1000 ]
}
wait_for bars_drawn || { echo "bars missing"; exit 1; }
bars_drawn || true
echo "chart pixels: green $green, blue $blue"

# Save As from the chart's pop-up menu: the first item, a name typed without
# extension, Enter.
wait_for_window() { wait_for xdotool search --onlyvisible --name "$1"; }
# The pop-up menu is the monitor's second visible window.
popup_open() { [ "$(xdotool search --onlyvisible --pid "$monitor_pid" 2>/dev/null | wc -l)" -ge 2 ]; }
open_popup() {
  xdotool mousemove --window "$window" 300 $((100 + menu)) click 3
  wait_for popup_open || { echo "no pop-up menu"; exit 1; }
}
save_dialog='^Save As$'
rm -f "$out/saved-chart.jpg"
! popup_open || { echo "a second window before the pop-up menu opened"; exit 1; }
open_popup
shot popup
xdotool key Down Return
wait_for_window "$save_dialog" || { echo "no save dialog"; exit 1; }
dialog=$(xdotool search --onlyvisible --name "$save_dialog" | head -n1)
sleep 0.3
import -window "$dialog" "$out/save-dialog.png"
xdotool type --delay 20 "$out/saved-chart"
xdotool key Return
wait_for test -s "$out/saved-chart.jpg" || { echo "no file saved"; exit 1; }
size=$(identify -format '%m %wx%h' "$out/saved-chart.jpg")
echo "saved: $size"
[ "$size" = "JPEG 696x237" ] || { echo "saved picture is $size, not the chart's 696 x 237"; exit 1; }
saved_blue=$(convert "$out/saved-chart.jpg" -fx 'b>r+0.25 && b>g+0.25' -format '%[fx:round(mean*w*h)]' info:)
[ "$saved_blue" -gt 1000 ] || { echo "no blue bars in the saved picture ($saved_blue)"; exit 1; }

# The dialog again: it opens at the saved file, and choosing that file in the
# list previews it in the pane to the right.
wait_for_closed() { for _ in $(seq 600); do xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0; sleep 0.05; done; return 1; }
wait_for_closed "$save_dialog" || { echo "the save dialog did not close"; exit 1; }
open_popup
xdotool key Down Return
wait_for_window "$save_dialog" || { echo "no save dialog the second time"; exit 1; }
dialog=$(xdotool search --onlyvisible --name "$save_dialog" | head -n1)
eval "$(xdotool getwindowgeometry --shell "$dialog" | sed 's/^/DIALOG_/')"
# The list holds the folder "run" and the saved file: a click on its first
# row, then Down.
xdotool mousemove --window "$dialog" 150 72 click 1
sleep 0.2
xdotool key Down
preview_blue() {
  import -window "$dialog" "$out/save-dialog-preview.png" &&
    [ "$(convert "$out/save-dialog-preview.png" -crop "190x140+$((DIALOG_WIDTH - 206))+16" +repage \
          -fx 'b>r+0.15 && b>g+0.15' -format '%[fx:round(mean*w*h)]' info:)" -gt 50 ]
}
wait_for preview_blue || { echo "the saved file is not previewed"; exit 1; }
xdotool key Escape
wait_for_closed "$save_dialog" || { echo "the save dialog did not close on Escape"; exit 1; }

# Stop turns the indicator red.
click 205 369
indicator_red() { shot stopped && [ "$(pixel stopped 42 370)" = "srgb(255,0,0)" ]; }
wait_for indicator_red || { echo "indicator did not turn red: $(pixel stopped 42 370)"; exit 1; }
echo "real window: plotted and stopped; screenshots in $out"
