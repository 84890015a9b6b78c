#!/bin/bash
# Times `velkor-cli convert x.png y.<fmt>` for WebP, AVIF, JPEG XL and HEIC
# against the libraries' own tools at the same settings on the same PNG
# (cwebp, avifenc, cjxl, heif-enc; each also decodes the PNG), and prints
# the times, their ratios and the sizes of the files. The goal is a ratio
# vk/peer of at most 1.1. Figures: best of $RUNS wall-clock runs, and the
# CPU time (user + system) of that run. Nothing here fails on a time.
#
#   bench/compare_encode_newer.sh [path/to/velkor-cli]
#   SIZE=4000x3000 RUNS=5 bench/compare_encode_newer.sh
set -u
CLI=${1:-${VELKOR_CLI:-build/src/cli/velkor-cli}}
IM=/usr/bin/convert
[ -x "$IM" ] || IM=convert
RUNS=${RUNS:-3}
SIZE=${SIZE:-2000x1500}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# A smooth, noisy photograph-like picture.
"$IM" -size "$SIZE" -seed 7 plasma:fractal -blur 0x3 -attenuate 0.4 +noise Gaussian -depth 8 "$dir/x.png" ||
    { echo "cannot make the input picture" >&2; exit 1; }

. "$(dirname "$0")/best_time.sh"

echo "input: $SIZE PNG, best of $RUNS"
printf "%-14s %8s %8s %8s %8s %7s %7s %9s %9s %6s\n" case vk_wall vk_cpu peer_wall peer_cpu wall_x cpu_x vk_kB peer_kB size_x
row() { # name ext "velkor-cli args" peer command with {in} and {out}
    local name=$1 ext=$2 vkargs=$3 peer=$4
    local v p cmd
    rm -f "$dir/v.$ext" "$dir/p.$ext"
    v=$(best_time "$CLI" convert $vkargs "$dir/x.png" "$dir/v.$ext")
    [ "$v" != fail ] && [ -s "$dir/v.$ext" ] || { printf "%-14s velkor-cli wrote nothing\n" "$name"; return; }
    cmd=${peer//\{in\}/$dir/x.png}
    cmd=${cmd//\{out\}/$dir/p.$ext}
    command -v "${peer%% *}" >/dev/null || { printf "%-14s %s is missing\n" "$name" "${peer%% *}"; return; }
    p=$(best_time $cmd)
    [ "$p" != fail ] && [ -s "$dir/p.$ext" ] || { printf "%-14s %s wrote nothing\n" "$name" "${peer%% *}"; return; }
    awk -v n="$name" -v vw="${v% *}" -v vc="${v#* }" -v pw="${p% *}" -v pc="${p#* }" \
        -v vs="$(stat -c %s "$dir/v.$ext")" -v ps="$(stat -c %s "$dir/p.$ext")" 'BEGIN {
        printf "%-14s %8.2f %8.2f %8.2f %8.2f %7.2f %7.2f %9.1f %9.1f %6.2f\n", n, vw, vc, pw, pc,
               (pw > 0 ? vw / pw : 0), (pc > 0 ? vc / pc : 0), vs / 1024, ps / 1024, (ps > 0 ? vs / ps : 0) }'
}

# AVIF quality 60 is AV1 quantizer 25 (libavif's mapping); avifenc keeps
# alpha lossless and writes 4:4:4 from a PNG, as we do.
row webp-q75     webp "--quality 75"              "cwebp -quiet -q 75 {in} -o {out}"
row webp-lossless webp "--lossless"               "cwebp -quiet -lossless {in} -o {out}"
row avif-q60-s6  avif "--quality 60 --speed 6"    "avifenc -j all -s 6 --min 25 --max 25 {in} {out}"
row jxl-d1-e7    jxl  "--distance 1 --effort 7"   "cjxl {in} {out} -d 1 -e 7 --quiet"
row jxl-lossless jxl  "--lossless --effort 7"     "cjxl {in} {out} -d 0 -e 7 --quiet"
row heic-q50     heic "--quality 50"              "heif-enc -q 50 {in} -o {out}"
echo "wall_x, cpu_x: velkor-cli time / peer time (goal: at most 1.1); size_x: velkor-cli bytes / peer bytes"
