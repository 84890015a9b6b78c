#!/bin/bash
# Times filling the thumbnail cache: `velkor-cli thumbnails --size large` on
# a folder of 12 MP photo-like JPEGs against `vipsthumbnail -s 256` on the
# same files and cores (one vipsthumbnail per core through xargs, and one
# alone, which threads by itself), each with an empty cache and a warm page
# cache. Prints wall and CPU times (on a shared machine the CPU time is the
# steadier figure), the ratios (vips over ours: above 1, we are faster),
# the cache-full pass, and the bytes of our PNGs against
# vipsthumbnail's PNGs (and its default JPEGs, for reference). Nothing here
# fails on a time.
#
#   bench/thumbnails.sh [BUILD_DIR | path/to/velkor-cli]   (default ./build)
#   COUNT=1000 RUNS=3 bench/thumbnails.sh build
set -u
arg=${1:-./build}
if [ -d "$arg" ]; then CLI=$arg/src/cli/velkor-cli; else CLI=$arg; fi
[ -x "$CLI" ] || { echo "no velkor-cli at $CLI" >&2; exit 1; }
command -v vipsthumbnail >/dev/null || { echo "no vipsthumbnail (Debian libvips-tools)" >&2; exit 1; }
IM=/usr/bin/convert
[ -x "$IM" ] || IM=convert
COUNT=${COUNT:-200}
RUNS=${RUNS:-3}
CORES=$(nproc)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/photos"

# Eight distinct photo-like pictures (smooth areas, edges and grain),
# copied round to COUNT files: every file is read and decoded on its own.
echo "making $COUNT pictures of 4000x3000..." >&2
for i in 0 1 2 3 4 5 6 7; do
    "$IM" -size 4000x3000 -seed $((i + 3)) plasma:fractal -blur 0x2 \
        \( -size 4000x3000 -seed $i xc: +noise Random -blur 0x1 -colorspace gray \) \
        -compose softlight -composite -attenuate 0.3 +noise Gaussian \
        -sampling-factor 2x2 -quality 90 "$dir/base$i.jpg" ||
        { echo "cannot make the pictures" >&2; exit 1; }
done
for ((n = 0; n < COUNT; n++)); do
    cp "$dir/base$((n % 8)).jpg" "$(printf '%s/photos/IMG_%05d.jpg' "$dir" "$n")"
done
rm -f "$dir"/base*.jpg

# timed NAME COMMAND... -> appends "wall cpu" to $dir/NAME.times
timed() {
    local name=$1
    shift
    /usr/bin/time -f '%e %U %S' -o "$dir/t" "$@" || echo "$name: the command failed" >&2
    awk '{ printf "%s %.3f\n", $1, $2 + $3 }' "$dir/t" >> "$dir/$name.times"
}
# best NAME -> "wall cpu" of the run with the smallest wall time
best() { sort -g "$dir/$1.times" | head -1; }
warm() { cat "$dir"/photos/*.jpg > /dev/null; }
vips_parallel() {
    cd "$dir/photos" && ls | xargs -P "$CORES" -n $(((COUNT + CORES - 1) / CORES)) \
        vipsthumbnail -s 256 -o "$dir/vips/%s.png"
}
export -f vips_parallel
export dir CORES COUNT

for ((r = 0; r < RUNS; r++)); do
    warm
    rm -rf "$dir/cache"
    timed ours env XDG_CACHE_HOME="$dir/cache" "$CLI" thumbnails -q -r --size large "$dir/photos"
    timed full env XDG_CACHE_HOME="$dir/cache" "$CLI" thumbnails -q -r --size large "$dir/photos"
    warm
    rm -rf "$dir/vips" && mkdir -p "$dir/vips"
    timed vips bash -c vips_parallel
    warm
    rm -rf "$dir/vips1" && mkdir -p "$dir/vips1"
    timed vips1 vipsthumbnail -s 256 -o "$dir/vips1/%s.png" "$dir"/photos/*.jpg
done
mkdir -p "$dir/vipsjpg"
vipsthumbnail -s 256 -o "$dir/vipsjpg/%s.jpg" "$dir"/photos/*.jpg

read -r o oc <<< "$(best ours)"
read -r f fc <<< "$(best full)"
read -r v vc <<< "$(best vips)"
read -r v1 v1c <<< "$(best vips1)"
made=$(find "$dir/cache/thumbnails/large" -name '*.png' | wc -l)
bytesOurs=$(cat "$dir"/cache/thumbnails/large/*.png | wc -c)
bytesVips=$(cat "$dir"/vips/*.png | wc -c)
bytesVipsJpeg=$(cat "$dir"/vipsjpg/*.jpg | wc -c)
sizeOurs=$(identify -format '%wx%h' "$(ls "$dir"/cache/thumbnails/large/*.png | head -1)")
sizeVips=$(identify -format '%wx%h' "$(ls "$dir"/vips/*.png | head -1)")

echo "thumbnails (large, 256) of $COUNT JPEGs of 4000x3000 on $CORES cores, best of $RUNS (load $(cut -d' ' -f1 /proc/loadavg))"
printf '%-40s %8s %10s %8s %10s\n' "" "wall s" "wall/file" "cpu s" "cpu/file"
row() {
    printf '%-40s %8.3f %7.1f ms %8.3f %7.1f ms\n' "$1" "$2" "$(echo "$2 * 1000 / $COUNT" | bc -l)" "$3" \
        "$(echo "$3 * 1000 / $COUNT" | bc -l)"
}
row "velkor-cli thumbnails (empty cache)" "$o" "$oc"
row "vipsthumbnail -s 256, xargs -P $CORES" "$v" "$vc"
row "vipsthumbnail -s 256, one process" "$v1" "$v1c"
row "velkor-cli thumbnails (cache full)" "$f" "$fc"
printf 'ratio vipsthumbnail (xargs) / velkor-cli: wall %.2f, cpu %.2f\n' "$(echo "$v / $o" | bc -l)" \
    "$(echo "$vc / $oc" | bc -l)"
printf 'ratio vipsthumbnail (one) / velkor-cli:   wall %.2f, cpu %.2f\n' "$(echo "$v1 / $o" | bc -l)" \
    "$(echo "$v1c / $oc" | bc -l)"
echo "thumbnails made: $made; sizes: ours $sizeOurs, vipsthumbnail $sizeVips"
printf 'bytes: ours %d PNG, vipsthumbnail %d PNG (ours / theirs %.3f); vipsthumbnail JPEG %d\n' \
    "$bytesOurs" "$bytesVips" "$(echo "$bytesOurs / $bytesVips" | bc -l)" "$bytesVipsJpeg"
