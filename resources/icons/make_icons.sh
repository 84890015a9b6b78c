#!/bin/sh
# Draws the fallback toolbar and favorites icons (used when the desktop's
# icon theme has none) with ImageMagick. Run from this folder.
set -e
C=${CONVERT:-convert}
icon() { name=$1; shift; "$C" -size 16x16 xc:none "$@" "PNG32:$name.png"; }
arrow_l='polygon 2,8 8,2 8,5 14,5 14,11 8,11 8,14'
arrow_r='polygon 14,8 8,2 8,5 2,5 2,11 8,11 8,14'
icon open     -fill '#e8b84a' -stroke '#8a6414' -draw 'polygon 1,4 6,4 7,6 14,6 14,13 1,13'
icon saveas   -fill '#4a78c8' -stroke '#1e3c78' -draw 'rectangle 2,2 13,13' -fill white -stroke none -draw 'rectangle 4,3 11,7' -fill '#1e3c78' -draw 'rectangle 5,10 10,13'
icon print    -fill '#d0d0d0' -stroke '#505050' -draw 'rectangle 1,6 14,12' -fill white -draw 'rectangle 4,2 11,6' -draw 'rectangle 4,10 11,14'
icon printpreview -fill white -stroke '#505050' -draw 'rectangle 2,1 11,14' -fill none -stroke '#2060c0' -draw 'circle 10,9 13,9' -draw 'line 12,11 15,14'
icon viewer   -fill '#3070d0' -stroke '#183870' -draw 'rectangle 1,2 14,13' -fill '#80c060' -stroke none -draw 'polygon 2,12 6,7 9,10 11,8 13,12'
icon browser  -fill white -stroke '#505050' -draw 'rectangle 1,2 6,13' -draw 'rectangle 7,2 14,13' -stroke '#808080' -draw 'line 2,5 5,5' -draw 'line 2,8 5,8' -draw 'line 8,5 13,5' -draw 'line 8,8 13,8'
icon undo     -fill none -stroke '#2060c0' -strokewidth 2 -draw 'arc 3,4 13,13 180,360' -fill '#2060c0' -stroke none -draw 'polygon 1,9 6,9 3,5'
icon delete   -stroke '#c02020' -strokewidth 3 -draw 'line 3,3 12,12' -draw 'line 12,3 3,12'
icon rename   -fill white -stroke '#505050' -draw 'rectangle 1,4 14,11' -stroke black -draw 'line 5,6 5,9' -draw 'line 4,5 6,5' -draw 'line 4,10 6,10'
icon cut      -fill none -stroke '#404040' -draw 'circle 4,12 6,12' -draw 'circle 11,12 13,12' -draw 'line 5,10 11,2' -draw 'line 10,10 4,2'
icon copy     -fill white -stroke '#505050' -draw 'rectangle 1,1 9,10' -draw 'rectangle 5,5 14,14'
icon paste    -fill '#b08040' -stroke '#604020' -draw 'rectangle 2,2 12,14' -fill white -draw 'rectangle 6,5 14,14'
icon copyto   -fill white -stroke '#505050' -draw 'rectangle 1,1 8,10' -fill '#20a040' -stroke none -draw "$arrow_r"
icon moveto   -fill '#e8b84a' -stroke '#8a6414' -draw 'polygon 1,4 6,4 7,6 14,6 14,13 1,13' -fill '#20a040' -stroke none -draw 'polygon 13,9 9,5 9,7 4,7 4,11 9,11 9,13'
icon back     -fill '#20a040' -stroke '#106020' -draw "$arrow_l"
icon previous -fill '#2060c0' -stroke '#103070' -draw "$arrow_l"
icon next     -fill '#2060c0' -stroke '#103070' -draw "$arrow_r"
icon up       -fill '#20a040' -stroke '#106020' -draw 'polygon 8,2 14,8 11,8 11,14 5,14 5,8 2,8'
icon home     -fill '#d05030' -stroke '#602010' -draw 'polygon 8,1 15,8 13,8 13,14 3,14 3,8 1,8'
icon zoomin   -fill none -stroke '#404040' -strokewidth 2 -draw 'circle 6,6 10,6' -draw 'line 9,9 14,14' -strokewidth 1 -draw 'line 4,6 8,6' -draw 'line 6,4 6,8'
icon zoomout  -fill none -stroke '#404040' -strokewidth 2 -draw 'circle 6,6 10,6' -draw 'line 9,9 14,14' -strokewidth 1 -draw 'line 4,6 8,6'
icon run      -fill '#20a040' -stroke '#106020' -draw 'polygon 4,2 13,8 4,14'
icon stop     -fill '#c02020' -stroke '#601010' -draw 'rectangle 3,3 12,12'
icon pause    -fill '#2060c0' -stroke '#103070' -draw 'rectangle 3,2 6,13' -draw 'rectangle 9,2 12,13'
icon find     -fill '#c0e0ff' -stroke '#404040' -strokewidth 2 -draw 'circle 6,6 10,6' -draw 'line 9,9 14,14'
icon options  -fill '#808080' -stroke '#404040' -draw 'circle 8,8 13,8' -fill white -draw 'circle 8,8 10,8'
icon about    -fill '#2060c0' -stroke '#103070' -draw 'circle 8,8 14,8' -fill white -stroke none -draw 'rectangle 7,7 9,12' -draw 'rectangle 7,4 9,5'
icon folder   -fill '#e8b84a' -stroke '#8a6414' -draw 'polygon 1,4 6,4 7,6 14,6 14,13 1,13'
icon image    -fill white -stroke '#505050' -draw 'rectangle 1,2 14,13' -fill '#60a0e0' -stroke none -draw 'rectangle 2,3 13,8' -fill '#40a040' -draw 'polygon 2,12 6,7 9,10 11,8 13,12'
icon thumbnails -fill '#60a0e0' -stroke '#305080' -draw 'rectangle 1,1 6,6' -draw 'rectangle 9,1 14,6' -draw 'rectangle 1,9 6,14' -draw 'rectangle 9,9 14,14'
# The program's icon, drawn on a 32-unit grid at every size the desktop's
# hicolor theme asks for; velkor.svg is the same drawing for scalable use.
app_icon() {
  k=$(awk "BEGIN { print $1 / 32 }")
  "$C" -size "$1x$1" xc:none -draw "scale $k,$k \
    fill #3070d0 stroke #183870 stroke-width 2 roundrectangle 2,4 29,27 4,4 \
    fill #f0d040 stroke none circle 22,11 25,11 fill #60c050 polygon 4,25 12,13 18,21 22,17 28,25" "PNG32:$2"
}
app_icon 32 velkor.png
for size in 16 48 64 128 256; do app_icon "$size" "velkor-$size.png"; done
