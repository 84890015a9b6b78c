#!/bin/bash
# The first large picture of a fresh process against the same picture shown
# again later (BM_FirstPictureOfTheProcess), over $RUNS processes of their
# own: prints the median first paint of each and their ratio (goal: the
# first within 10 % of the second). NICE (default 0) runs the processes at
# another priority, e.g. NICE=-19 as root on a machine busy with builds.
#
#   RUNS=9 bench/first_picture.sh [BUILD_DIR]   (default ./build)
set -u
build=${1:-./build}
bench=$build/bench/bench_viewer_flicking
[ -x "$bench" ] || { echo "no benchmark at $bench" >&2; exit 1; }
RUNS=${RUNS:-9}
firsts=() seconds=()
for _ in $(seq "$RUNS"); do
    line=$(nice -n "${NICE:-0}" "$bench" --benchmark_filter=FirstPicture 2>/dev/null | grep BM_First)
    firsts+=("$(echo "$line" | grep -o 'first_ms=[0-9.]*' | cut -d= -f2)")
    seconds+=("$(echo "$line" | grep -o 'second_ms=[0-9.]*' | cut -d= -f2)")
done
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END{print v[int((NR+1)/2)]}'; }
first=$(median "${firsts[@]}")
second=$(median "${seconds[@]}")
echo "first picture of a process: ${first} ms; the same picture later: ${second} ms (medians of $RUNS processes)"
awk "BEGIN{printf \"first/second %.2f (goal at most 1.10)\\n\", $first / $second}"
