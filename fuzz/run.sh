#!/usr/bin/env bash
# Runs every fuzz target for N seconds on a copy of its seed corpus:
#   fuzz/run.sh BUILD_DIR [SECONDS]
# A target's seeds live in fuzz/corpus/<target>/ (fuzz_anydec uses all of
# fuzz/corpus/). Crashes are written to fuzz/corpus-work/<target>/.
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=${2:-10}
here=$(cd "$(dirname "$0")" && pwd)
status=0
# Leaks inside the system's codec libraries are not findings.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/../tests/lsan.supp}
for bin in "$build"/fuzz/fuzz_*; do
  [ -x "$bin" ] || continue
  name=$(basename "$bin")
  work="$here/corpus-work/$name"
  mkdir -p "$work"
  seeds="$here/corpus/${name#fuzz_}"
  [ "$name" = fuzz_anydec ] && seeds="$here/corpus"
  seed_dirs=()
  [ -d "$seeds" ] && seed_dirs+=("$seeds")
  echo "fuzzing $name for ${seconds}s"
  if ! (cd "$work" && "$bin" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -timeout=10 \
        -print_final_stats=0 "$work" "${seed_dirs[@]}" >"$work/log.txt" 2>&1); then
    echo "fuzz target $name failed; see $work/log.txt" >&2
    tail -n 40 "$work/log.txt" >&2
    status=1
  fi
done
exit $status
