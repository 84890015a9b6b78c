#!/bin/bash
# Peak memory of whole viewers flicking through the same photographs on the
# same virtual screen: Velkor (its viewer, decoding ahead as it does by
# default) against qimgv, Geeqie and gThumb, each that is installed. Each
# program starts on the first photograph with fresh settings, steps to the
# last, back to the first and to the last again, one step every $STEP
# seconds, and its peak resident memory (VmHWM) is read before it is ended.
# Every window is made as large as the screen. Figures are medians of $RUNS
# runs; "screens" counts the different screens seen after the steps: at
# least one per photograph when the keys reached the program (a status line
# that changes makes more), so a run whose keys went nowhere is plain:
# gThumb takes no synthetic keys, so it is stepped with the mouse wheel
# over its picture; a window manager (openbox, when installed) places the
# windows and gives them the keyboard.
#
#   bench/compare_viewer_memory.sh [BUILD_DIR | path/to/velkor]   (default ./build)
#   RUNS=3 STEP=1.5 VIEWERS="velkor qimgv" VELKOR_BENCH_PHOTOS=~/photos \
#       bench/compare_viewer_memory.sh build
#
# Needs Xvfb, xdotool and ImageMagick's import. The photographs:
# VELKOR_BENCH_PHOTOS's JPEGs, else the wallpapers in /usr/share/backgrounds
# (9 to 24 MP).
set -u
arg=${1:-./build}
if [ -d "$arg" ]; then VELKOR=$arg/src/ui/velkor; else VELKOR=$arg; fi
[ -x "$VELKOR" ] || { echo "no velkor at $VELKOR" >&2; exit 1; }
for tool in Xvfb xdotool import; do
    command -v $tool >/dev/null || { echo "$tool is needed" >&2; exit 1; }
done
RUNS=${RUNS:-3}
STEP=${STEP:-1.5}
WIDTH=${WIDTH:-1280}
HEIGHT=${HEIGHT:-800}
work=$(mktemp -d)
xvfb_pid=
wm_pid=
cleanup() {
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

mkdir "$work/photos"
source_dir=${VELKOR_BENCH_PHOTOS:-/usr/share/backgrounds}
for f in "$source_dir"/*.jpg; do
    [ -f "$f" ] && ln -s "$f" "$work/photos/"
done
photos=("$work"/photos/*.jpg)
[ ${#photos[@]} -ge 2 ] || { echo "fewer than two photographs in $source_dir" >&2; exit 1; }
count=${#photos[@]}

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 "${WIDTH}x${HEIGHT}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
sleep 2
# A window manager places the windows and gives them the keyboard.
# WM=none runs without.
wm=${WM:-openbox}
if [ "$wm" != none ] && command -v "$wm" >/dev/null; then
    "$wm" >/dev/null 2>&1 &
    wm_pid=$!
    sleep 1
fi

# run_viewer NAME NEXT_KEY PREVIOUS_KEY START_KEY CLICK CMD... -> "peak_kB seen"
# START_KEY ("-" for none) is pressed first (Velkor opens a file in its
# browser; Enter is its viewer); CLICK (1 or 0) clicks into the window to
# give it the keyboard, for a program that takes no focus otherwise.
run_viewer() {
    local name=$1 next=$2 previous=$3 start=$4 click=$5
    shift 5
    local home=$work/home-$name-$RANDOM
    mkdir -p "$home"
    HOME=$home XDG_CONFIG_HOME=$home/.config XDG_CACHE_HOME=$home/.cache VELKOR_CONFIG_DIR=$home/velkor \
        "$@" >/dev/null 2>&1 &
    local pid=$! window="" screens=$work/screens
    : > "$screens"
    for _ in $(seq 100); do
        window=$(xdotool search --pid "$pid" --onlyvisible 2>/dev/null | tail -1)
        [ -n "$window" ] && break
        sleep 0.2
    done
    if [ -z "$window" ]; then
        kill "$pid" 2>/dev/null
        echo "- 0"
        return
    fi
    sleep 3
    # No window manager places the window or gives it the keyboard here.
    xdotool windowmove "$window" 0 0 windowsize "$window" "$WIDTH" "$HEIGHT" 2>/dev/null
    sleep 1
    xdotool windowfocus "$window" 2>/dev/null
    [ "$click" = 1 ] && xdotool mousemove --window "$window" 300 300 click 1 2>/dev/null
    sleep 0.5
    if [ "$start" != - ]; then
        xdotool key "$start" 2>/dev/null
        sleep "$STEP"
    fi
    local keys=()
    for _ in $(seq $((count - 1))); do keys+=("$next"); done
    for _ in $(seq $((count - 1))); do keys+=("$previous"); done
    for _ in $(seq $((count - 1))); do keys+=("$next"); done
    for key in "${keys[@]}"; do
        case $key in
        wheel:*) xdotool mousemove --window "$window" $((WIDTH / 2)) $((HEIGHT / 3)) click "${key#wheel:}" 2>/dev/null ;;
        *) xdotool key "$key" 2>/dev/null ;;
        esac
        sleep "$STEP"
        import -window root png:- 2>/dev/null | md5sum >> "$screens"
    done
    local peak
    peak=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status" 2>/dev/null)
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    echo "${peak:--} $(sort -u "$screens" | wc -l)"
}

median() { sort -g | awk '{v[NR]=$1} END{if (NR == 0) print "-"; else print v[int((NR+1)/2)]}'; }

echo "$count photographs from $source_dir on a ${WIDTH}x${HEIGHT} screen, $RUNS runs, a step every $STEP s"
printf "%-10s %10s %8s %12s\n" viewer peak_MB screens velkor/peer
velkor_peak=
for viewer in ${VIEWERS:-velkor qimgv geeqie gthumb}; do
    case $viewer in
    velkor) cmd=("$VELKOR" "${photos[0]}"); keys=(Right Left Return 0) ;;
    qimgv) cmd=(qimgv "${photos[0]}"); keys=(Right Left - 0) ;;
    geeqie) cmd=(geeqie "${photos[0]}"); keys=(space BackSpace - 0) ;;
    # gThumb takes no synthetic keys; its wheel steps through the folder.
    gthumb) cmd=(gthumb "${photos[0]}"); keys=(wheel:5 wheel:4 - 1) ;;
    esac
    if [ $viewer != velkor ] && ! command -v "$viewer" >/dev/null; then
        printf "%-10s not installed\n" $viewer
        continue
    fi
    : > "$work/peaks"
    seen=0
    for _ in $(seq "$RUNS"); do
        read -r peak s <<< "$(run_viewer $viewer "${keys[@]}" "${cmd[@]}")"
        [ "$peak" != - ] && echo "$peak" >> "$work/peaks"
        seen=$s
    done
    peak=$(median < "$work/peaks")
    mb=$(awk "BEGIN{ if (\"$peak\" == \"-\") print \"-\"; else printf \"%.0f\", $peak / 1024 }")
    [ $viewer = velkor ] && velkor_peak=$peak
    ratio=$(awk "BEGIN{ if (\"$peak\" == \"-\" || \"$velkor_peak\" == \"\" || \"$velkor_peak\" == \"-\") print \"-\";
                        else printf \"%.2f\", $velkor_peak / $peak }")
    printf "%-10s %10s %8s %12s\n" $viewer "$mb" "$seen" "$ratio"
done
echo "goal: Velkor's peak below every peer's (velkor/peer under 1)"
