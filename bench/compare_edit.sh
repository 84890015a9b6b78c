#!/bin/sh
# Times each edit operation on a 6000 x 4000 picture with velkor-cli,
# ImageMagick and (when installed) libvips, and prints the ratios.
# Times are CPU seconds (user + system) of the whole process, so other
# work on the machine does not count; each tool's time for reading and
# writing the picture without the operation is measured too and
# subtracted, so the figures are the operation alone. Best of RUNS
# (default 3) runs. Peers run single-threaded (MAGICK_THREAD_LIMIT=1,
# VIPS_CONCURRENCY=1) as velkor does. Inputs: BMP for velkor-cli, MPC
# (ImageMagick's mapped pixel cache) for ImageMagick, .v for vips.
#
# usage: bench/compare_edit.sh [path/to/velkor-cli]
set -eu

CLI=${1:-build/src/cli/velkor-cli}
RUNS=${RUNS:-3}
W=6000
H=4000
DIR=$(mktemp -d "${TMPDIR:-/tmp}/compare_edit.XXXXXX")
trap 'rm -rf "$DIR"' EXIT
export VIPS_CONCURRENCY=1
export MAGICK_THREAD_LIMIT=1

IM=convert
[ -x /usr/bin/convert ] && IM=/usr/bin/convert
HAVE_VIPS=0
command -v vips >/dev/null 2>&1 && HAVE_VIPS=1

# A picture with gradients, a grid and a disc: few enough colours for Contrast.
"$IM" -size ${W}x${H} gradient:red-blue \( -size ${W}x${H} gradient:black-lime -rotate 90 -resize ${W}x${H}! \) \
    -compose plus -composite -fill gray50 -draw "circle 3000,2000 3000,3000" -depth 8 "$DIR/in.ppm"
"$IM" "$DIR/in.ppm" "BMP3:$DIR/in.bmp"
"$IM" "$DIR/in.ppm" "$DIR/in.mpc"
[ $HAVE_VIPS = 1 ] && vips copy "$DIR/in.ppm" "$DIR/in.v"

# Least CPU time (user + system, microsecond resolution) of RUNS runs of a
# command, in milliseconds.
best() {
    python3 - "$RUNS" "$@" <<'PY'
import resource, subprocess, sys
runs, cmd = int(sys.argv[1]), sys.argv[2:]
best = None
for _ in range(runs):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    if subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode != 0:
        print("failed: " + " ".join(cmd), file=sys.stderr)
        print(0)
        sys.exit(0)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    t = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    best = t if best is None else min(best, t)
print(int(round(best * 1000)))
PY
}

base_ours=$(best "$CLI" convert "$DIR/in.bmp" "$DIR/o.bmp")
base_im=$(best "$IM" "$DIR/in.mpc" null:)
base_vips=0
[ $HAVE_VIPS = 1 ] && base_vips=$(best vips copy "$DIR/in.v" "$DIR/v.v")
echo "read+write without operation: velkor ${base_ours} ms, ImageMagick ${base_im} ms, vips ${base_vips} ms"
printf '%-22s %10s %10s %10s %9s %9s\n' operation velkor_ms im_ms vips_ms im/ours vips/ours

net() { d=$(( $1 - $2 )); [ $d -lt 1 ] && d=1; echo $d; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "-" || b == "-") print "-"; else printf "%.2f", a / b }'; }

# row NAME "velkor options" "ImageMagick options" "vips command (in/out appended)"
row() {
    name=$1 ours=$2 im=$3 vipscmd=$4
    # shellcheck disable=SC2086
    t_ours=$(net "$(best "$CLI" convert $ours "$DIR/in.bmp" "$DIR/o.bmp")" "$base_ours")
    # shellcheck disable=SC2086
    t_im=$(net "$(best "$IM" "$DIR/in.mpc" $im null:)" "$base_im")
    t_vips=-
    if [ $HAVE_VIPS = 1 ] && [ -n "$vipscmd" ]; then
        set -- $vipscmd
        op=$1
        shift
        # shellcheck disable=SC2086
        t_vips=$(net "$(best vips "$op" "$DIR/in.v" "$DIR/v.v" "$@")" "$base_vips")
    fi
    printf '%-22s %10s %10s %10s %9s %9s\n' "$name" "$t_ours" "$t_im" "$t_vips" \
        "$(ratio "$t_im" "$t_ours")" "$(ratio "$t_vips" "$t_ours")"
}

row invert            "--invert"              "-negate"                        "invert"
row swap-red-blue     "--swap-red-blue"       "-separate -swap 0,2 -combine"   ""
row brightness        "--brightness 30"       "+level 30%,100%"                "linear 0.7 76.5"
row contrast          "--contrast 30"         "-contrast-stretch 0"            ""
row gamma             "--gamma 50"            "-gamma 1.5"                     "gamma --exponent 1.5"
row balance           "--balance 10,-20,30"   "-channel R +level 10%,100% +channel" "linear 1 0"
row gray              "--gray"                "-colorspace Gray"               "colourspace b-w"
row flip-horizontal   "--flip-horizontal"     "-flip"                          "flip vertical"
row flip-vertical     "--flip-vertical"       "-flop"                          "flip horizontal"
row transpose         "--transpose"           "-transpose"                     ""
row rotate-90         "--rotate 90,low"       "-rotate 90"                     "rot d90"
row rotate-180        "--rotate 180,low"      "-rotate 180"                    "rot d180"
row rotate-30-low     "--rotate 30,low"       "-rotate 30"                     "rotate 30"
row rotate-30-medium  "--rotate 30,medium"    "-rotate 30"                     "rotate 30"
row rotate-30-high    "--rotate 30,high"      "-rotate 30"                     "rotate 30"
row shear-30          "--shear 30"            "-shear 30x0"                    ""
row canvas            "--canvas 6200x4200"    "-gravity center -background white -extent 6200x4200" "embed 100 100 6200 4200 --extend white"
row resize-box-half   "--resize 3000x2000"    "-filter Box -resize 3000x2000!" "shrink 2 2"
row resize-bilinear   "--resize 9000x6000"    "-filter Triangle -resize 9000x6000!" "resize 1.5 --kernel linear"

# Colour count: a read-only command of its own.
t_ours=$(net "$(best "$CLI" colors "$DIR/in.bmp")" "$(best "$CLI" info "$DIR/in.bmp")")
t_im=$(net "$(best identify -format %k "$DIR/in.mpc")" "$(best identify "$DIR/in.mpc")")
printf '%-22s %10s %10s %10s %9s %9s\n' count-colors "$t_ours" "$t_im" - "$(ratio "$t_im" "$t_ours")" -
