#!/usr/bin/env bash
# Installs, from Debian 12's own packages, whatever the build and the tests need and the
# machine lacks. Safe to run again: it installs nothing when everything is there.
set -euo pipefail

PACKAGES=(
  # build
  cmake ninja-build g++ pkg-config
  # crow mount: the FUSE 3 library to build with, fusermount3 to mount and unmount with
  libfuse3-dev fuse3
  # tests
  googletest libgtest-dev libgmock-dev
  # window program
  qt6-base-dev qt6-image-formats-plugins libwmf-dev fonts-ipafont-gothic
  # libwmf draws metafile text with these fonts; the font dialog tests need italic styles
  fonts-urw-base35 fonts-dejavu-core fonts-dejavu-extra
  # real X server for looking at the window and the desktop smoke test
  xvfb xauth x11-utils imagemagick
  # fuzzing and sanitizers
  clang libclang-rt-14-dev
  # benchmark (bench/run: peak memory)
  time
  # packaging
  dpkg-dev file appstream desktop-file-utils
  # packaging: bitmap icons from the SVG, manual page check, X client library of the smoke test
  librsvg2-bin groff-base libx11-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
