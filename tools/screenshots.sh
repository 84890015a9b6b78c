#!/bin/bash
# Starts Velkor under a virtual X server on a folder of sample pictures and
# saves screenshots of browser mode, the thumbnail grid, viewer mode, a zoomed picture, each
# page of the Options sheet, Print Setup and the print preview into
# docs/screenshots/; the dialogs alone also go into resources/manual/ for
# the manual's pages.
#
#   tools/screenshots.sh [BUILD_DIR]    (default: build-ui, else build)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-}
if [ -z "$BUILD" ]; then
    for candidate in "$ROOT/build-ui" "$ROOT/build"; do
        if [ -x "$candidate/src/ui/velkor" ]; then BUILD=$candidate; break; fi
    done
fi
VELKOR=${BUILD:-$ROOT/build}/src/ui/velkor
if [ ! -x "$VELKOR" ]; then
    echo "velkor not built: run cmake and ninja velkor first" >&2
    exit 1
fi
OUT=$ROOT/docs/screenshots
MANUAL=$ROOT/resources/manual
mkdir -p "$OUT"

# Tools: a virtual X server, key and mouse input, and a window grabber,
# installed the way the project installs every package.
source "$ROOT/scripts/setup.sh"
velkor_install_packages xvfb xauth xdotool imagemagick
CONVERT=convert
command -v magick >/dev/null && CONVERT="magick"

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
PICS=$WORK/Pictures
mkdir -p "$PICS/Holidays" "$PICS/Scans" "$WORK/config"

# Sample pictures, drawn by ImageMagick.
$CONVERT -size 1600x1000 -seed 7 plasma:steelblue-khaki -blur 0x2 \
    -fill '#f4e8b0' -draw 'circle 1250,220 1330,220' "BMP3:$PICS/harbour.bmp"
$CONVERT -size 900x600 gradient:'#203060'-'#f0a040' \
    -fill '#402818' -draw 'polygon 0,600 250,330 480,470 700,280 900,420 900,600' "$PICS/dusk.png"
$CONVERT -size 640x480 -seed 3 plasma:green-yellow "$PICS/meadow.jpg"
$CONVERT rose: -resize 400% "$PICS/rose.tga"
$CONVERT logo: -resize 50% "$PICS/logo.gif"
$CONVERT -size 300x300 pattern:checkerboard -fill red -draw 'circle 150,150 150,60' "$PICS/target.pcx"
$CONVERT -size 200x160 gradient:white-black "$PICS/ramp.pgm"
$CONVERT -size 400x300 -seed 11 plasma:tomato-plum "$PICS/sunset.ppm"

cat > "$WORK/run.sh" <<'INNER'
#!/bin/bash
set -eu
VELKOR=$1; PICS=$2; OUT=$3; MANUAL=$4
cd "$PICS"
# The whole screen, and the window titled $2 alone into the manual.
shot() {
    import -window root "$OUT/$1.png"
    local win
    win=$(xdotool search --onlyvisible --name "^$2\$" | tail -1)
    if [ -n "$win" ]; then
        import -window "$win" "$MANUAL/$1.png"
    fi
}
"$VELKOR" "$PICS/harbour.bmp" &
PID=$!
WIN=$(xdotool search --sync --onlyvisible --name 'Velkor' | head -1)
xdotool windowmove "$WIN" 0 0 windowsize "$WIN" 1280 800
xdotool windowfocus --sync "$WIN" 2>/dev/null || true
sleep 2
# Without a window manager the window starts small: read the picture again
# at the final size.
xdotool key --clearmodifiers ctrl+r
sleep 2
import -window root "$OUT/browser.png"
# View > Thumbnails: the file list as a grid (also the manual's picture),
# then the list of names again.
xdotool key --clearmodifiers ctrl+t
sleep 3
import -window root "$OUT/thumbnails.png"
cp "$OUT/thumbnails.png" "$MANUAL/thumbnails.png"
xdotool key --clearmodifiers ctrl+t
sleep 1
# Viewer mode: Enter.
xdotool key --clearmodifiers Return
sleep 2
import -window root "$OUT/viewer.png"
# 300 % on the keypad, then drag to the right and down.
xdotool key --clearmodifiers KP_7
sleep 1
xdotool mousemove 640 420 mousedown 1 mousemove 700 470 mousemove 760 520 mouseup 1
sleep 2
import -window root "$OUT/zoomed.png"
# Back to the browser: the Options sheet, page by page (Ctrl+Tab).
xdotool key --clearmodifiers ctrl+Return
sleep 1
xdotool key --clearmodifiers shift+o
sleep 2
for page in browser display filing slideshow viewer misc; do
    shot "options-$page" Options
    xdotool key --clearmodifiers ctrl+Tab
    sleep 1
done
xdotool key --clearmodifiers Escape
sleep 1
# File > Print Setup, then File > Print Preview. Without a window manager
# the main window gets the keys back only when told.
xdotool windowfocus --sync "$WIN" 2>/dev/null || true
xdotool key --clearmodifiers alt+f
sleep 1
xdotool key --clearmodifiers u
sleep 2
shot print-setup "Print Setup"
xdotool key --clearmodifiers Escape
sleep 1
xdotool windowfocus --sync "$WIN" 2>/dev/null || true
# A picture that fits on the page (meadow.jpg, the fourth file), then the
# toolbar's Print Preview button (the window sits at 0,0).
xdotool mousemove 200 129 click 1
sleep 2
xdotool mousemove 123 34 click 1
sleep 2
# "Show print setup before printing" opens Print Setup first: OK.
SETUP=$(xdotool search --onlyvisible --name '^Print Setup$' | tail -1)
if [ -n "$SETUP" ]; then
    xdotool windowfocus --sync "$SETUP" 2>/dev/null || true
    xdotool key --clearmodifiers Return
fi
sleep 4
shot print-preview "Print Preview"
xdotool key --clearmodifiers Escape
sleep 1
kill "$PID" 2>/dev/null || true
wait "$PID" 2>/dev/null || true
INNER
chmod +x "$WORK/run.sh"

VELKOR_CONFIG_DIR=$WORK/config XDG_RUNTIME_DIR=$WORK \
    xvfb-run -a -s "-screen 0 1280x800x24" "$WORK/run.sh" "$VELKOR" "$PICS" "$OUT" "$MANUAL"
echo "screenshots in $OUT:"
ls -l "$OUT"
