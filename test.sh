#!/usr/bin/env bash
# Checks the code's format, then builds and runs every test: the CTest
# suites, the engine tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer, and a short run of every fuzz target. FUZZ_SECONDS sets the length of each fuzz run.
set -euo pipefail
source "$(dirname "$0")/scripts/setup.sh"
velkor_install_packages "${velkor_build_packages[@]}" "${velkor_test_packages[@]}"
jobs=$(nproc)
status=0

echo "== format"
# The project's .clang-format holds for every C++ file.
(cd "$VELKOR_ROOT" && find src tests bench fuzz tools -name '*.cpp' -o -name '*.h' | sort |
  xargs clang-format --dry-run --Werror) || status=1

echo "== layers"
# The engine and the command line tool hold no Qt; models at most QtCore.
"$VELKOR_ROOT/tools/check_layers.sh" || status=1

echo "== build"
velkor_build "$VELKOR_ROOT/build-test" -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== tests"
(cd "$VELKOR_ROOT/build-test" && ctest --output-on-failure -j "$jobs") || status=1

echo "== engine tests under ASan and UBSan"
velkor_build "$VELKOR_ROOT/build-asan" -DCMAKE_BUILD_TYPE=Debug -DVELKOR_ENGINE_ONLY=ON -DVELKOR_SANITIZE=ON
(cd "$VELKOR_ROOT/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "$jobs") || status=1

echo "== fuzz smoke run"
velkor_build "$VELKOR_ROOT/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELKOR_ENGINE_ONLY=ON -DVELKOR_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
"$VELKOR_ROOT/fuzz/run.sh" "$VELKOR_ROOT/build-fuzz" "${FUZZ_SECONDS:-10}" || status=1

if [ $status -eq 0 ]; then echo "All test stages passed."; else echo "Some test stage failed." >&2; fi
exit $status
