#!/usr/bin/env bash
# An animated GIF of 500x500 at 25 frames per second (50 frames of 40 ms,
# every frame new) played in Velkor's viewer under Xvfb: the CPU the velkor
# process takes (from /proc/PID/stat, user + system, over SECONDS), and the
# frames' timing from the player's trace (VELKOR_TRACE=2) against the
# file's 40 ms. ImageMagick's `animate` plays the same file as the peer.
#   bench/animation_playback.sh BUILD_DIR [SECONDS]
# Uses $DISPLAY when set, else starts Xvfb on :87.
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=${2:-10}
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  Xvfb :87 -screen 0 1400x900x24 >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=:87
  sleep 1
fi

# One plasma rolled 10 pixels a frame: each frame differs everywhere.
frames=()
for i in $(seq 0 49); do frames+=(mpr:p -roll "+$((i * 10))+0"); done
convert -size 500x500 -seed 5 plasma:fractal -write mpr:p +delete -delay 4 "${frames[@]}" \
  -colors 255 -loop 0 "$work/anim.gif"
ticks=$(getconf CLK_TCK)

# CPU seconds (user + system) of a process so far.
cpu() { awk -v t="$ticks" '{ print ($14 + $15) / t }' "/proc/$1/stat"; }

# Percent of one core a process takes over `seconds`, after it settled.
measure() {
  local pid=$1 before after
  before=$(cpu "$pid")
  sleep "$seconds"
  after=$(cpu "$pid")
  awk -v a="$after" -v b="$before" -v s="$seconds" 'BEGIN { printf "%.2f", (a - b) * 100 / s }'
}

mkdir -p "$work/config"
VELKOR_CONFIG_DIR="$work/config" VELKOR_TRACE=2 "$build/src/ui/velkor" "$work/anim.gif" 2>"$work/trace.txt" &
velkor=$!
pids+=("$velkor")
sleep 3
# Enter switches to the viewer, which fills the window.
xdotool search --sync --pid "$velkor" --onlyvisible --class velkor windowactivate --sync 2>/dev/null || true
xdotool key Return
sleep 2
start_line=$(wc -l <"$work/trace.txt")
velkor_cpu=$(measure "$velkor")
timing=$(tail -n +"$((start_line + 1))" "$work/trace.txt" | grep -o 'shown at [0-9]* ms' | awk '
  { t = $3; if (n > 0) { d = t - last; sum += d; if (d > max) max = d; if (d < min || n == 1) min = d } last = t; n++ }
  END { if (n > 1) printf "%d frames, mean %.1f ms (file 40 ms), shortest %d ms, longest %d ms", n, sum / (n - 1), min, max;
        else printf "no frames traced" }')
kill "$velkor" 2>/dev/null || true

animate -delay 4 "$work/anim.gif" &
peer=$!
pids+=("$peer")
sleep 3
peer_cpu=$(measure "$peer")
kill "$peer" 2>/dev/null || true

echo "animated GIF 500x500, 25 fps, ${seconds} s in the viewer:"
echo "  velkor:  ${velkor_cpu} % of one core (goal: under 5 %); ${timing}"
echo "  animate: ${peer_cpu} % of one core"
awk -v v="$velkor_cpu" -v p="$peer_cpu" 'BEGIN { if (p > 0) printf "  ratio velkor / animate: %.2f\n", v / p }'
