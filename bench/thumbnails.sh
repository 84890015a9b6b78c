#!/bin/bash
# Times filling the thumbnail cache: `velkor-cli thumbnails --size large` on
# a folder of 12 MP photographs against `vipsthumbnail -s 256` on the
# same files and cores (one vipsthumbnail per core through xargs, and one
# alone, which threads by itself), each with an empty cache and a warm page
# cache. Prints wall and CPU times (on a shared machine the CPU time is the
# steadier figure), the ratios (vips over ours: above 1, we are faster),
# the cache-full pass, and the bytes of our PNGs against
# vipsthumbnail's PNGs (and its default JPEGs, for reference). Nothing here
# fails on a time.
#
# Then the window launched on 40 of the photographs with an empty cache:
# seconds from launch until all 40 normal thumbnails are in the cache, the
# grid of build/src/ui/velkor against gThumb's browser (Debian's gthumb,
# when installed), each under its own Xvfb with openbox. The grid's own
# figures (first thumbnail, first screenful, scrolling) are printed by
# build/bench/bench_thumbnail_window.
#
#   bench/thumbnails.sh [BUILD_DIR | path/to/velkor-cli]   (default ./build)
#   COUNT=1000 RUNS=3 bench/thumbnails.sh build
set -u
arg=${1:-./build}
if [ -d "$arg" ]; then CLI=$arg/src/cli/velkor-cli; else CLI=$arg; fi
VELKOR=$(readlink -f "${VELKOR:-$(dirname "$CLI")/../ui/velkor}")
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

# Eight distinct photographs of 4000x3000, copied round to COUNT files:
# every file is read and decoded on its own. Debian's wallpapers
# (lomiri-wallpapers) stretched to 12 MP, as they are and mirrored, with a
# little grain; photo-like drawings where they are missing.
echo "making $COUNT pictures of 4000x3000..." >&2
mapfile -t walls < <(ls /usr/share/backgrounds/*.jpg 2> /dev/null | sort)
for i in 0 1 2 3 4 5 6 7; do
    if [ ${#walls[@]} -gt 0 ]; then
        flop=()
        [ $((i / ${#walls[@]} % 2)) -eq 1 ] && flop=(-flop)
        "$IM" "${walls[$((i % ${#walls[@]}))]}" -resize '4000x3000!' "${flop[@]}" -attenuate 0.2 \
            +noise Gaussian -sampling-factor 2x2 -quality 90 "$dir/base$i.jpg"
    else
        "$IM" -size 4000x3000 -seed $((i + 3)) plasma:fractal -blur 0x2 \
            \( -size 4000x3000 -seed $i xc: +noise Random -blur 0x1 -colorspace gray \) \
            -compose softlight -composite -attenuate 0.3 +noise Gaussian \
            -sampling-factor 2x2 -quality 90 "$dir/base$i.jpg"
    fi || { echo "cannot make the pictures" >&2; exit 1; }
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

# The window launched on a folder of 40 photographs, empty cache.
if [ "$COUNT" -lt 40 ]; then
    echo "launch on 40 photographs: skipped, COUNT is below 40"
    exit 0
fi
mkdir -p "$dir/forty"
ls "$dir/photos" | head -40 | while read -r f; do ln "$dir/photos/$f" "$dir/forty/$f"; done
# launched NAME COMMAND... -> "seconds thumbnails" from launch until the
# 40 normal thumbnails are in the cache (or 60 s), and its CPU seconds.
launched() {
    local name=$1 display=$2
    shift 2
    rm -rf "$dir/lcache" "$dir/lhome" && mkdir -p "$dir/lcache" "$dir/lhome/.config/velkor"
    printf 'thumbnails=1\nthumbnailSize=128\n' > "$dir/lhome/.config/velkor/window.ini"
    warm
    local start end n=0 pid
    start=$(date +%s.%N)
    (cd "$dir/forty" && exec env HOME="$dir/lhome" XDG_CACHE_HOME="$dir/lcache" \
        VELKOR_CONFIG_DIR="$dir/lhome/.config/velkor" DISPLAY=":$display" "$@" > /dev/null 2>&1) &
    pid=$!
    for ((i = 0; i < 1200; i++)); do
        n=$(find "$dir/lcache/thumbnails/normal" -name '*.png' 2> /dev/null | wc -l)
        [ "$n" -ge 40 ] && break
        sleep 0.05
    done
    end=$(date +%s.%N)
    # CPU of all its threads and the helpers it waited for: the steadier
    # figure on a shared machine.
    cpu=$(awk -v hz="$(getconf CLK_TCK)" '{ printf "%.2f", ($14 + $15 + $16 + $17) / hz }' "/proc/$pid/stat" 2> /dev/null)
    kill "$pid" 2> /dev/null
    wait "$pid" 2> /dev/null
    printf '%-40s %8.2f s wall %6s s cpu %4d thumbnails\n' "$name" "$(echo "$end - $start" | bc -l)" "$cpu" "$n"
}
if ! command -v Xvfb > /dev/null || ! command -v openbox > /dev/null; then
    echo "launch on 40 photographs: skipped, no Xvfb or openbox"
    exit 0
fi
display=$((90 + RANDOM % 9))
Xvfb ":$display" -screen 0 1400x900x24 > /dev/null 2>&1 &
xvfb=$!
sleep 1
DISPLAY=":$display" openbox > /dev/null 2>&1 &
wm=$!
sleep 1
echo "launched on 40 photographs of 4000x3000, empty cache, until 40 normal thumbnails are written"
for ((r = 0; r < RUNS; r++)); do
    [ -x "$VELKOR" ] && launched "velkor (grid)" "$display" "$VELKOR"
    if command -v gthumb > /dev/null; then
        launched "gthumb" "$display" gthumb "$dir/forty"
    elif [ "$r" -eq 0 ]; then
        echo "gthumb: not installed (apt-get install gthumb)"
    fi
done
kill "$wm" "$xvfb" 2> /dev/null
