#!/bin/sh
# Times each edit operation on a 6000 x 4000 picture: ours from
# bench_edit (the operation with its undo snapshot, in process), and the
# same operation by ImageMagick and (when installed) libvips, and prints
# the ratios. All times are CPU time (user + system), so other work on the
# machine does not count. A peer's time is that of its command minus the
# same command without the operation (reading MPC, ImageMagick's mapped
# pixel cache, into null:; vips copying .v to .v), best of RUNS (default
# 3). Peers run single-threaded (MAGICK_THREAD_LIMIT=1, VIPS_CONCURRENCY=1)
# as velkor does.
#
# usage: bench/compare_edit.sh [path/to/bench_edit]
set -eu

BENCH=${1:-build/bench/bench_edit}
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

# A picture of gradients and a disc: few enough colours for Contrast.
"$IM" -size ${W}x${H} gradient:red-blue \( -size ${H}x${W} gradient:black-lime -rotate 90 \) \
    -compose plus -composite -fill gray50 -draw "circle 3000,2000 3000,3000" -depth 8 "$DIR/in.ppm"
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
        print("-")
        sys.exit(0)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    t = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    best = t if best is None else min(best, t)
print(int(round(best * 1000)))
PY
}

"$BENCH" --benchmark_format=csv --benchmark_min_time=0.5 2>/dev/null >"$DIR/ours.csv"
LIMITS="-limit memory 8GiB -limit map 8GiB -limit disk 16GiB -limit area 4GP"
# shellcheck disable=SC2086
base_im=$(best "$IM" $LIMITS "$DIR/in.mpc" null:)
base_vips=0
[ $HAVE_VIPS = 1 ] && base_vips=$(best vips copy "$DIR/in.v" "$DIR/v.v")
echo "without operation: ImageMagick ${base_im} ms, vips ${base_vips} ms (subtracted)"
printf '%-22s %10s %10s %10s %9s %9s\n' operation velkor_ms im_ms vips_ms im/ours vips/ours

# A peer's time less its time without the operation ("-" when it failed).
net() {
    if [ "$1" = - ] || [ "$2" = - ]; then echo -; return; fi
    d=$(( $1 - $2 ))
    [ $d -lt 1 ] && d=1
    echo $d
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "-" || b == "-") print "-"; else printf "%.2f", a / b }'; }

# CPU milliseconds of one bench_edit benchmark.
ours() { awk -F, -v n="\"BM_$1/" 'index($1, n) == 1 { printf "%d", $4 + 0.5 }' "$DIR/ours.csv"; }

# row NAME BENCHMARK "ImageMagick options" "vips command (in/out appended)"
row() {
    name=$1 im=$3 vipscmd=$4
    t_ours=$(ours "$2")
    # shellcheck disable=SC2086
    t_im=$(net "$(best "$IM" $LIMITS "$DIR/in.mpc" $im null:)" "$base_im")
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

row invert            Invert          "-negate"                        "invert"
row swap-red-blue     SwapRedBlue     "-separate -swap 0,2 -combine"   ""
row brightness        Brightness      "+level 30%,100%"                "linear 0.7 76.5"
row contrast          Contrast        "-contrast-stretch 0"            ""
row gamma             Gamma           "-gamma 1.5"                     "gamma --exponent 1.5"
row balance           ColorBalance    "-channel R +level 10%,100% +channel" "linear 1 0"
row gray              GrayShades      "-colorspace Gray"               "colourspace b-w"
row flip-horizontal   FlipHorizontal  "-flip"                          "flip vertical"
row flip-vertical     FlipVertical    "-flop"                          "flip horizontal"
row transpose         Transpose       "-transpose"                     ""
row rotate-90         Rotate90        "-rotate 90"                     "rot d90"
row rotate-180        Rotate180       "-rotate 180"                    "rot d180"
row rotate-30-low     Rotate30Low     "-rotate 30"                     "rotate 30"
row rotate-30-medium  Rotate30Medium  "-rotate 30"                     "rotate 30"
row rotate-30-high    Rotate30High    "-rotate 30"                     "rotate 30"
row shear-30          Shear30         "-shear 30x0"                    ""
row canvas            CanvasGrow      "-gravity center -background white -extent 6200x4200" "embed 100 100 6200 4200 --extend white"
row resize-box-half   ResizeBoxHalf   "-filter Box -resize 3000x2000!" "shrink 2 2"
row resize-bilinear-down ResizeBilinearDown "-filter Triangle -resize 4500x5000!" ""
row resize-bilinear-up ResizeBilinearUp "-filter Triangle -resize 9000x6000!" "resize 1.5 --kernel linear"

# Colour count: ImageMagick's unique colours against its plain identify.
t_im=$(net "$(best identify -format %k "$DIR/in.mpc")" "$(best identify "$DIR/in.mpc")")
t_ours=$(ours CountColors)
printf '%-22s %10s %10s %10s %9s %9s\n' count-colors "$t_ours" "$t_im" - "$(ratio "$t_im" "$t_ours")" -
