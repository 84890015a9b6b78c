#!/usr/bin/env bash
# Builds Velkor (installing what it needs) and starts it: ./velkor.sh [FILE]
set -euo pipefail
source "$(dirname "$0")/scripts/setup.sh"
velkor_install_packages "${velkor_build_packages[@]}"
velkor_build "$VELKOR_ROOT/build" -DVELKOR_TESTS=OFF -DVELKOR_BENCH=OFF
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: Velkor needs a graphical desktop (DISPLAY or WAYLAND_DISPLAY)." >&2
  echo "Without one, use the command line tool: $VELKOR_ROOT/build/src/cli/velkor-cli info|convert|colors ..." >&2
  exit 1
fi
exec "$VELKOR_ROOT/build/src/ui/velkor" "$@"
