#!/usr/bin/env bash
# Draws the monitor's logo (Image1): 208 x 37 pixels, 24 bits per pixel. The
# plate leaves the top five rows free, where the readout panel overlaps the
# picture in the window. Around the plate lies the key colour magenta, which
# the window shows as transparent (the colour of the bottom-left pixel).
# Needs ImageMagick and fonts-liberation.
# Usage: bash make-logo.sh [output.png]
set -euo pipefail
out=${1:-"$(dirname "$0")/logo.png"}

# A small bar chart of bit loading: upstream bars green, downstream blue.
heights=(5 9 11 10 13 16 18 17 15 11 14 17 16 12 8 4)
bars=()
x=10
for i in "${!heights[@]}"; do
  h=${heights[$i]}
  if [ "$i" -lt 4 ]; then color='#4cc24c'; else color='#5b9bff'; fi
  bars+=(-fill "$color" -draw "rectangle $x,$((31 - h)) $((x + 1)),31")
  x=$((x + 3))
done

convert -size 208x37 xc:'#ff00ff' +antialias \
  -fill '#1d2f4d' -draw 'roundrectangle 0,5 207,36 6,6' \
  -fill '#3a5683' -draw 'line 8,32 58,32' \
  "${bars[@]}" \
  -antialias \
  -font Liberation-Sans-Bold -pointsize 18 -fill white -annotate +66+23 'Quillmont' \
  -font Liberation-Sans -pointsize 9 -fill '#a9c4ee' -kerning 1.2 -annotate +67+33 'BITLOADING MONITOR' \
  -type TrueColor -define png:color-type=2 "PNG24:$out"
