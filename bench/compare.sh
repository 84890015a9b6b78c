#!/bin/bash
# Times decoding: `velkor-cli convert x.<fmt> y.ppm` against ImageMagick's
# `convert x.<fmt> y.ppm` and netpbm's reader for that format, on a 12 MP
# photo-like picture written in each format by ImageMagick or netpbm.
# Figures: best of $RUNS wall-clock runs and the CPU time (user + system) of
# that run; ratios are the peer's CPU time over ours (above 1: we are
# faster). A format we cannot decode yet shows an error line. Nothing here
# fails on a time.
#
#   bench/compare.sh [BUILD_DIR | path/to/velkor-cli]   (default ./build-bench)
#   FORMATS="tga pict" RUNS=5 bench/compare.sh build-bench
set -u
arg=${1:-./build-bench}
if [ -d "$arg" ]; then CLI=$arg/src/cli/velkor-cli; else CLI=$arg; fi
[ -x "$CLI" ] || { echo "no velkor-cli at $CLI" >&2; exit 1; }
IM=/usr/bin/convert
[ -x "$IM" ] || IM=convert
RUNS=${RUNS:-3}
FORMATS=${FORMATS:-"bmp gif pcx iff pict tga jpg png tif ras ico pnm"}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# A smooth, noisy picture with well over 256 colours.
"$IM" -size 4000x3000 -seed 7 plasma:fractal -blur 0x3 -attenuate 0.4 +noise Gaussian -depth 8 "$dir/x.ppm" ||
    { echo "cannot make the input picture" >&2; exit 1; }

# make FORMAT -> writes $dir/x.FORMAT with a peer program
make_sample() {
    local src=$dir/x.ppm out=$dir/x.$1
    case $1 in
    pnm) cp "$src" "$out" ;;
    iff) ppmtoilbm "$src" > "$out" 2>/dev/null ;;
    ico) "$IM" "$src" -resize 128x128 -colors 16 "$out" ;; # icons are small; 256 x 256 ones hold PNG
    bmp) "$IM" "$src" BMP3:"$out" ;; # the classic 40-byte header
    gif|pcx) "$IM" "$src" -colors 256 "$out" ;;
    *) "$IM" "$src" "$out" ;;
    esac
}

# netpbm reader for FORMAT (empty when netpbm has none installed)
netpbm_reader() {
    local prog
    case $1 in
    bmp) prog=bmptopnm ;; gif) prog=giftopnm ;; pcx) prog=pcxtoppm ;; iff) prog=ilbmtoppm ;;
    pict) prog=picttoppm ;; tga) prog=tgatoppm ;; jpg) prog=jpegtopnm ;; png) prog=pngtopnm ;;
    tif) prog=tifftopnm ;; ras) prog=rasttopnm ;; ico) prog=winicontoppm ;; pnm) prog=pamtopnm ;;
    esac
    command -v "$prog" >/dev/null 2>&1 && echo "$prog"
}

. "$(dirname "$0")/best_time.sh"

ratio() { awk "BEGIN{ if ($1 > 0 && $2 > 0) printf \"%.2f\", $1 / $2; else print \"-\" }"; }

printf "%-6s %8s %8s %8s %8s %8s %-12s %8s %8s %7s %7s\n" \
    format file_MB vk_wall vk_cpu im_wall im_cpu netpbm np_wall np_cpu im/vk np/vk
for fmt in $FORMATS; do
    if ! make_sample "$fmt" || [ ! -s "$dir/x.$fmt" ]; then
        printf "%-6s error: cannot write a sample\n" "$fmt"
        continue
    fi
    mb=$(awk "BEGIN{printf \"%.1f\", $(stat -c %s "$dir/x.$fmt") / 1e6}")
    vk=$(best_time "$CLI" convert "$dir/x.$fmt" "$dir/vk.ppm")
    if [ "$vk" = fail ]; then
        printf "%-6s %8s error: velkor-cli: %s\n" "$fmt" "$mb" "$(head -c 100 "$dir/err" | tr '\n' ' ')"
        continue
    fi
    im=$(best_time "$IM" "$dir/x.$fmt" "$dir/im.ppm")
    [ "$im" = fail ] && im="- 0"
    reader=$(netpbm_reader "$fmt")
    np="- 0"
    if [ -n "$reader" ]; then
        np=$(best_time sh -c "$reader \"\$1\" > \"\$2\"" sh "$dir/x.$fmt" "$dir/np.ppm")
        [ "$np" = fail ] && np="- 0"
    fi
    read -r vk_wall vk_cpu <<< "$vk"
    read -r im_wall im_cpu <<< "$im"
    read -r np_wall np_cpu <<< "$np"
    printf "%-6s %8s %8s %8s %8s %8s %-12s %8s %8s %7s %7s\n" "$fmt" "$mb" "$vk_wall" "$vk_cpu" \
        "$im_wall" "$im_cpu" "${reader:-none}" "$np_wall" "$np_cpu" \
        "$(ratio "$im_cpu" "$vk_cpu")" "$(ratio "$np_cpu" "$vk_cpu")"
done
