#!/usr/bin/env bash
# Draws the pending view's built-in background picture and the list view's three row
# icons (past, next, later) into res/views/. Needs ImageMagick; the images are committed,
# so a build never runs this.
set -euo pipefail

out="$(cd "$(dirname "$0")/.." && pwd)/res/views"
mkdir -p "$out"

# A calm sky: a vertical gradient, two soft hills and a few pale circles.
convert -size 640x480 gradient:'#7a9cc0-#c2dae8' \
    -fill 'rgba(255,255,255,0.18)' -draw 'circle 500,110 560,110' \
    -fill 'rgba(255,255,255,0.12)' -draw 'circle 120,380 220,380' \
    -fill 'rgba(255,255,255,0.10)' -draw 'circle 600,300 640,300' \
    -fill '#6f9a7a' -draw 'ellipse 160,520 420,140 0,360' \
    -fill '#5d8a6a' -draw 'ellipse 520,540 360,150 0,360' \
    -blur 0x1.2 -strip -quality 82 "$out/background.jpg"

# Row icons: a round badge with a white sign, on a transparent ground.
badge() {
    local colour="$1" sign="$2" file="$3"
    convert -size 32x32 xc:none \
        -fill "$colour" -stroke '#303030' -strokewidth 1 -draw 'circle 16,16 16,2' \
        -stroke white -strokewidth 3 -fill none -draw "$sign" \
        -strip "PNG32:$out/$file"
}
# Past: grey with a check mark.
badge '#9a9a9a' 'polyline 9,16 14,21 23,11' row_past.png
# Next: green with a play triangle.
convert -size 32x32 xc:none \
    -fill '#2e9e44' -stroke '#303030' -strokewidth 1 -draw 'circle 16,16 16,2' \
    -stroke none -fill white -draw 'polygon 12,9 12,23 24,16' \
    -strip "PNG32:$out/row_next.png"
# Later: blue with clock hands.
badge '#4a78c0' 'polyline 16,8 16,16 22,19' row_later.png
