#!/usr/bin/env bash
# Installs the Debian packages Velkor needs to build and test, when missing.
# Sourced by velkor.sh and test.sh; VELKOR_PACKAGES names the set.
set -euo pipefail

velkor_build_packages=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libpng-dev libjpeg-dev
  libtiff-dev zlib1g-dev libwebp-dev libheif-dev libjxl-dev liblcms2-dev libxcb1-dev libexiv2-dev
  libturbojpeg0-dev nettle-dev libraw-dev libavif-dev)
velkor_test_packages=(googletest libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev clang-format
  netpbm imagemagick libjpeg-turbo-progs libtiff-tools libgif-dev libpng-tools poppler-utils xdg-utils
  webp libheif-examples libjxl-tools libavif-bin libimage-exiftool-perl libvips-tools libraw-bin
  libglib2.0-bin # gio reads the thumbnail cache like the desktop
  desktop-file-utils appstream groff-base man-db # the installed tree checked by InstallTree
  lomiri-wallpapers-20.04) # real 16-24 MP photographs for the viewer benchmark
# Debian after bookworm ships libheif's HEVC coders as plugins of their own;
# where the distribution has them, they are needed to read and write HEIC.
for pkg in libheif-plugin-libde265 libheif-plugin-x265; do
  if apt-cache show "$pkg" >/dev/null 2>&1; then
    velkor_build_packages+=("$pkg")
  fi
done

velkor_install_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
      sudo=(sudo)
    else
      echo "Velkor needs these Debian packages: ${missing[*]}" >&2
      echo "Install them as root: apt-get install ${missing[*]}" >&2
      exit 1
    fi
  fi
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Configures (once) and builds a build folder: velkor_build DIR [cmake args...]
velkor_build() {
  local dir=$1
  shift
  if [ ! -f "$dir/build.ninja" ]; then
    local launcher=()
    # A developer's ccache, when there is one, serves rebuilds in fresh clones.
    if command -v ccache >/dev/null 2>&1; then
      launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S "$VELKOR_ROOT" -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
  fi
  cmake --build "$dir" -j "$(nproc)"
}

VELKOR_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
