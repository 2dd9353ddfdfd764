#!/usr/bin/env bash
# Draws the program's icon and the toolbar's 16 x 16 buttons into res/app/ (ImageMagick).
# The images are committed; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")/../res/app"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

# button NAME COLOUR GLYPH [POINTSIZE]: a white glyph on a rounded square of COLOUR.
button() {
    convert -size 16x16 xc:none -fill "$2" -draw "roundrectangle 0,0 15,15 3,3" \
        -font "$font" -pointsize "${4:-12}" -fill white -gravity center \
        -annotate +0+0 "$3" "toolbar/$1.png"
}
button choose   '#d08a1e' '≡'
button refresh  '#2e8b57' '↻'
button view     '#3a6ea5' '☰' 11
button new      '#3a6ea5' '+' 14
button modify   '#3a6ea5' '✎'
button player   '#7b4fa0' '▶' 10
button clock    '#20262e' '◷'
button switch   '#5a6b7b' '⇄'
button picture  '#4f8fbf' '☀'
button settings '#5a6b7b' '⚙'
button common   '#c0504d' '♪'
button playlist '#c0504d' '♫'
button titles   '#8a6d3b' 'T'
button about    '#3a6ea5' 'i'

# The program's icon: a gold bell on a deep blue rounded square.
convert -size 64x64 xc:none \
    -fill '#1f4e79' -draw "roundrectangle 1,1 62,62 12,12" \
    -fill '#f2c14e' -stroke '#b8860b' -strokewidth 1.5 \
    -draw "path 'M 32,12 C 20,12 18,24 18,34 L 14,44 L 50,44 L 46,34 C 46,24 44,12 32,12 Z'" \
    -draw "circle 32,49 32,53" -draw "circle 32,11 32,13" qelt.png
