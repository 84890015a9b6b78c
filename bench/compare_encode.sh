#!/bin/bash
# Times `velkor-cli convert x.ppm y.<fmt>` against ImageMagick's
# `convert x.ppm y.<fmt>` for every format we write, on a 12 MP photo-like
# picture, and prints the ratios. 8-bit forms are compared with ImageMagick's
# `-colors 256 +dither`. Figures: best of $RUNS wall-clock runs, and the
# CPU time (user + system) of that run. Nothing here fails on a time.
#
#   bench/compare_encode.sh [path/to/velkor-cli]
# WebP, AVIF, JPEG XL and HEIC are timed against their own tools in
# compare_encode_newer.sh.
set -u
CLI=${1:-${VELKOR_CLI:-build/src/cli/velkor-cli}}
IM=/usr/bin/convert
[ -x "$IM" ] || IM=convert
RUNS=${RUNS:-3}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# A smooth, noisy picture with well over 256 colours.
"$IM" -size 4000x3000 -seed 7 plasma:fractal -blur 0x3 -attenuate 0.4 +noise Gaussian -depth 8 "$dir/x.ppm" ||
    { echo "cannot make the input picture" >&2; exit 1; }

. "$(dirname "$0")/best_time.sh"

printf "%-10s %10s %10s %10s %10s %8s %8s\n" format vk_wall vk_cpu im_wall im_cpu wall_x cpu_x
row() { # name velkor-args im-args ext
    local name=$1 vkargs=$2 imargs=$3 ext=$4
    local v m
    rm -f "$dir/v.$ext" "$dir/m.$ext"
    v=$(best_time "$CLI" convert $vkargs "$dir/x.ppm" "$dir/v.$ext")
    if [ "$v" = fail ] || [ ! -s "$dir/v.$ext" ]; then
        printf "%-10s velkor-cli wrote nothing\n" "$name"
        return
    fi
    if [ "$imargs" = "-" ]; then
        printf "%-10s %10s %10s %10s %10s %8s %8s\n" "$name" ${v% *} ${v#* } n/a n/a n/a n/a
        return
    fi
    m=$(best_time "$IM" "$dir/x.ppm" $imargs "$dir/m.$ext")
    if [ "$m" = fail ] || [ ! -s "$dir/m.$ext" ]; then
        printf "%-10s ImageMagick wrote nothing\n" "$name"
        return
    fi
    awk -v n="$name" -v vw="${v% *}" -v vc="${v#* }" -v mw="${m% *}" -v mc="${m#* }" 'BEGIN {
        printf "%-10s %10.2f %10.2f %10.2f %10.2f %8.2f %8.2f\n", n, vw, vc, mw, mc,
               (vw > 0 ? mw / vw : 0), (vc > 0 ? mc / vc : 0) }'
}

row bmp24  "--depth 24" ""                         bmp
row bmp8   "--depth 8"  "-colors 256 +dither"      bmp
row ppm    ""           ""                         ppm
row pgm    ""           "-colors 256 +dither -colorspace Gray" pgm
row ras24  "--depth 24" ""                         ras
row ras8   "--depth 8"  "-colors 256 +dither"      ras
row tga24  "--depth 24" ""                         tga
row tga8   "--depth 8"  "-colors 256 +dither"      tga
row tga24r "--depth 24 --rle" "-compress RLE"      tga
row gif    ""           "-colors 256 +dither"      gif
row pcx24  "--depth 24" ""                         pcx
row pcx8   "--depth 8"  "-colors 256 +dither"      pcx
row iff    ""           "-"                        iff
row pct    ""           "-colors 256 +dither"      pct
row png    ""           "-quality 95"              png
row jpg    ""           "-quality 60"              jpg
row tif    ""           "-compress None"           tif
echo "wall_x, cpu_x: ImageMagick time / velkor-cli time (above 1: velkor-cli is faster)"
