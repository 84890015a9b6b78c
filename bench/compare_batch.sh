#!/bin/bash
# Times a batch conversion of COUNT photographs of MP megapixels (JPEG) to
# PNG, and to half-size JPEG, with velkor-cli -j N against ImageMagick's
# mogrify and vips, each in a shell loop (one file at a time) and under
# xargs -P N, on the same files. Prints wall-clock seconds, the ratio to
# velkor-cli and the peak resident memory of one process. Figures only:
# nothing here fails on a time.
#
#   bench/compare_batch.sh [path/to/velkor-cli]
#   COUNT=200 MP=12 bench/compare_batch.sh     # the larger run
set -u
CLI=${1:-${VELKOR_CLI:-build/src/cli/velkor-cli}}
COUNT=${COUNT:-20}
MP=${MP:-6}
JOBS=${JOBS:-$(nproc)}
IM=/usr/bin/convert
[ -x "$IM" ] || IM=convert
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# Width and height of MP megapixels at 3:2.
H=$(awk -v mp="$MP" 'BEGIN { printf "%d", sqrt(mp * 1e6 / 1.5) }')
W=$((H * 3 / 2))
HW=$((W / 2)); HH=$((H / 2))
mkdir -p "$dir/in"
echo "making $COUNT JPEGs of ${W}x${H}..."
"$IM" -size "${W}x${H}" -seed 3 plasma:fractal -blur 0x2 -attenuate 0.3 +noise Gaussian -quality 90 "$dir/base.jpg" ||
    { echo "cannot make the input pictures" >&2; exit 1; }
for i in $(seq -w 1 "$COUNT"); do
    # Each picture a little different, so no file repeats another.
    "$IM" "$dir/base.jpg" -modulate 100,100,$((70 + 10#$i % 60)) -quality 90 "$dir/in/p$i.jpg"
done

# run NAME OUTDIR CMD...: wall seconds and peak memory (KB) of the largest process.
declare -A WALL MEM
run() {
    local name=$1 out=$2
    shift 2
    rm -rf "$out" && mkdir -p "$out"
    sync
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>"$dir/err" || { echo "$name failed: $(head -3 "$dir/err")" >&2; }
    end=$(date +%s.%N)
    WALL[$name]=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }')
    MEM[$name]=$(grep -h '^maxrss ' "$dir"/mem.* 2>/dev/null | awk 'BEGIN{m=0} {if ($2 > m) m = $2} END {print m}')
    rm -f "$dir"/mem.*
    local n
    n=$(find "$out" -type f | wc -l)
    [ "$n" -eq "$COUNT" ] || echo "$name wrote $n of $COUNT files" >&2
}
# timed CMD...: runs one process and records its peak memory.
timed() { /usr/bin/time -o "$(mktemp "$dir/mem.XXXXXX")" -f "maxrss %M" "$@"; }
export -f timed
export dir IM

in=("$dir"/in/*.jpg)

# To PNG.
run vk_png "$dir/v" timed "$CLI" convert -q -j "$JOBS" --to png -o "$dir/v" "${in[@]}"
run vk_png_j1 "$dir/v1" timed "$CLI" convert -q -j 1 --to png -o "$dir/v1" "${in[@]}"
run mogrify_png "$dir/m" timed mogrify -path "$dir/m" -format png "${in[@]}"
run mogrify_png_xargs "$dir/mx" bash -c 'printf "%s\0" "$@" | xargs -0 -n 1 -P '"$JOBS"' bash -c '\''timed mogrify -path "$0" -format png "$1"'\'' "$0"' "$dir/mx" "${in[@]}"
run vips_png "$dir/vl" bash -c 'for f; do timed vips copy "$f" "$0/$(basename "$f" .jpg).png"; done' "$dir/vl" "${in[@]}"
run vips_png_xargs "$dir/vx" bash -c 'printf "%s\0" "$@" | xargs -0 -n 1 -P '"$JOBS"' bash -c '\''timed vips copy "$1" "$0/$(basename "$1" .jpg).png"'\'' "$0"' "$dir/vx" "${in[@]}"

# To half-size JPEG.
run vk_half "$dir/hv" timed "$CLI" convert -q -j "$JOBS" --resize "${HW}x${HH}" --quality 85 --to jpg -o "$dir/hv" "${in[@]}"
run mogrify_half "$dir/hm" timed mogrify -path "$dir/hm" -resize 50% -quality 85 "${in[@]}"
run mogrify_half_xargs "$dir/hmx" bash -c 'printf "%s\0" "$@" | xargs -0 -n 1 -P '"$JOBS"' bash -c '\''timed mogrify -path "$0" -resize 50% -quality 85 "$1"'\'' "$0"' "$dir/hmx" "${in[@]}"
run vips_half "$dir/hvl" bash -c 'for f; do timed vips resize "$f" "$0/$(basename "$f")[Q=85]" 0.5; done' "$dir/hvl" "${in[@]}"
run vips_half_xargs "$dir/hvx" bash -c 'printf "%s\0" "$@" | xargs -0 -n 1 -P '"$JOBS"' bash -c '\''timed vips resize "$1" "$0/$(basename "$1")[Q=85]" 0.5'\'' "$0"' "$dir/hvx" "${in[@]}"

echo "$COUNT JPEGs of ${W}x${H}, $JOBS workers ($(nproc) cores)"
printf "%-20s %9s %9s %14s\n" run seconds "x vk" "peak KB/proc"
for name in vk_png vk_png_j1 mogrify_png mogrify_png_xargs vips_png vips_png_xargs; do
    awk -v n="$name" -v w="${WALL[$name]}" -v v="${WALL[vk_png]}" -v m="${MEM[$name]}" \
        'BEGIN { printf "%-20s %9.2f %9.2f %14s\n", n, w, (v > 0 ? w / v : 0), m }'
done
for name in vk_half mogrify_half mogrify_half_xargs vips_half vips_half_xargs; do
    awk -v n="$name" -v w="${WALL[$name]}" -v v="${WALL[vk_half]}" -v m="${MEM[$name]}" \
        'BEGIN { printf "%-20s %9.2f %9.2f %14s\n", n, w, (v > 0 ? w / v : 0), m }'
done
