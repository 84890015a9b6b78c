#!/bin/bash
# The long run of the tests that nothing is lost: velkor-cli convert
# --exists replace and the window's Save As, each killed with SIGKILL at
# ITERATIONS random moments while replacing a file, then the full-disk
# cases. Prints, per writer, how many kills left the old file, the new one
# or a corrupt one, and how many temporaries were left (hidden or visible).
# Fails when a kill left a corrupt target or a visible temporary, or a
# full disk lost a file; never on a time.
#
#   bench/crash_consistency.sh [build-dir]
#   ITERATIONS=1000 bench/crash_consistency.sh build
set -u
BUILD=${1:-build}
ITERATIONS=${ITERATIONS:-300}
status=0
for binary in "$BUILD/tests/velkor_engine_tests" "$BUILD/tests/velkor_app_tests"; do
    if [ ! -x "$binary" ]; then
        echo "no $binary: build first" >&2
        exit 1
    fi
    out=$(VELKOR_CRASH_ITERATIONS=$ITERATIONS QT_QPA_PLATFORM=offscreen \
        "$binary" --gtest_filter='CrashConsistency.*:FullDisk*' 2>&1) || status=1
    # The kill figures, then each test's verdict.
    grep -E ' kills: ' <<<"$out"
    grep -E '^\[ +(OK|FAILED|SKIPPED) +\] [A-Za-z]' <<<"$out" | sed 's/ ([0-9]* ms)$//'
    [ $status -eq 0 ] || grep -E 'Failure|Expected|Which is|actual' <<<"$out" | head -20
done
[ $status -eq 0 ] && echo "nothing lost" || echo "something was lost" >&2
exit $status
