#!/bin/bash
# Whole-process conversion of large photographs to PPM on tmpfs:
# `velkor-cli convert` against `vips copy` and the library's own tool
# (`djpeg -dct float -nosmooth`, the same decode settings, for JPEG;
# `pngtopnm` for PNG), on the same files in one run. Figures are medians of
# $RUNS runs taken in turn (one run of each program per round, so a load
# that comes and goes falls on all of them): wall seconds, CPU seconds
# (user + system) and peak resident memory from /usr/bin/time. The ratios
# are ours over the peer's (below 1: we are faster or leaner). On a loaded
# machine wall time follows the load; CPU time and memory do not.
#
#   bench/compare_convert.sh [BUILD_DIR | path/to/velkor-cli]   (default ./build)
#   RUNS=9 PHOTOS="a.jpg b.png" bench/compare_convert.sh build
#
# The photographs: $PHOTOS, else the 20 and 24 MP JPEG wallpapers in
# /usr/share/backgrounds (lomiri-wallpapers-20.04), and a 24 MP PNG made
# from the larger one with netpbm.
set -u
arg=${1:-./build}
if [ -d "$arg" ]; then CLI=$arg/src/cli/velkor-cli; else CLI=$arg; fi
[ -x "$CLI" ] || { echo "no velkor-cli at $CLI" >&2; exit 1; }
RUNS=${RUNS:-5}
out=$(mktemp -d /dev/shm/velkor-convert.XXXXXX)
trap 'rm -rf "$out"' EXIT

photos=${PHOTOS:-}
if [ -z "$photos" ]; then
    for f in /usr/share/backgrounds/Kleiber_by_Lukas_Baubkus.jpg \
        /usr/share/backgrounds/Painting-Colors_by__herobrine7gamer.jpg; do
        [ -f "$f" ] && photos="$photos $f"
    done
    last=${photos##* }
    if [ -n "$last" ] && djpeg "$last" | pnmtopng > "$out/photo24.png" 2>/dev/null; then
        photos="$photos $out/photo24.png"
    fi
fi
[ -n "$photos" ] || { echo "no photographs: set PHOTOS" >&2; exit 1; }

# measure NAME CMD... appends "wall cpu kb" of one run to $out/NAME: the
# times to the millisecond from bash, the peak memory from /usr/bin/time
# (whose own times stop at hundredths).
measure() {
    local name=$1
    shift
    local TIMEFORMAT='%3R %3U %3S'
    if { time /usr/bin/time -o "$out/time" -f "%M" "$@" >/dev/null 2>"$out/err"; } 2>"$out/clock"; then
        awk -v kb="$(tail -1 "$out/time")" '{printf "%s %.3f %s\n", $1, $2 + $3, kb}' "$out/clock" >> "$out/$name"
    else
        echo "fail" >> "$out/$name"
    fi
}

# median NAME COLUMN
median() {
    grep -v fail "$out/$1" | awk -v c="$2" '{print $c}' | sort -g |
        awk '{v[NR]=$1} END{if (NR == 0) print "-"; else if (NR % 2) print v[(NR+1)/2];
                            else printf "%.3g\n", (v[NR/2] + v[NR/2+1]) / 2}'
}

ratio() { awk "BEGIN{ if (\"$1\" != \"-\" && \"$2\" != \"-\" && $2 > 0) printf \"%.2f\", $1 / $2; else print \"-\" }"; }

printf "%-38s %-10s %7s %6s %8s   %-14s %7s %7s %7s\n" picture program wall_s cpu_s peak_MB "ours/peer" wall cpu memory
for photo in $photos; do
    name=$(basename "$photo")
    size=$(identify -format "%wx%h" "$photo" 2>/dev/null)
    case $photo in
    *.jpg | *.jpeg) tool="djpeg"; tool_cmd=(djpeg -dct float -nosmooth -outfile "$out/t.ppm" "$photo") ;;
    *) tool="pngtopnm"; tool_cmd=(sh -c 'pngtopnm "$1" > "$2"' sh "$photo" "$out/t.ppm") ;;
    esac
    rm -f "$out"/vk "$out"/vips "$out"/tool
    for _ in $(seq "$RUNS"); do
        measure vk "$CLI" convert "$photo" "$out/v.ppm"
        measure vips vips copy "$photo" "$out/p.ppm"
        measure tool "${tool_cmd[@]}"
    done
    if ! cmp -s "$out/v.ppm" "$out/t.ppm"; then
        echo "$name: velkor-cli's PPM differs from $tool's" >&2
    fi
    vk_w=$(median vk 1); vk_c=$(median vk 2); vk_m=$(median vk 3)
    label="$name ${size}"
    printf "%-38s %-10s %7s %6s %8s\n" "${label:0:38}" velkor-cli "$vk_w" "$vk_c" "$(ratio "$vk_m" 1024)"
    for peer in vips tool; do
        w=$(median $peer 1); c=$(median $peer 2); m=$(median $peer 3)
        shown=$([ $peer = vips ] && echo "vips copy" || echo "$tool")
        printf "%-38s %-10s %7s %6s %8s   %-14s %7s %7s %7s\n" "" "$shown" "$w" "$c" "$(ratio "$m" 1024)" \
            "vk/${shown%% *}" "$(ratio "$vk_w" "$w")" "$(ratio "$vk_c" "$c")" "$(ratio "$vk_m" "$m")"
    done
done
echo "goals: wall at most vips's and 1.1x djpeg's; memory at most vips's; CPU at most 1.05x djpeg's"
