#!/usr/bin/env bash
# Installs, from Debian 12's own packages, whatever the machine lacks for
#   bash scripts/deps.sh           building and running the programs (scripts/run-app.sh)
#   bash scripts/deps.sh --tests   the same, and the test toolchain on top (scripts/run-tests.sh)
# Safe to run again: it installs nothing when everything is there.
set -euo pipefail

# Building and running.
PACKAGES=(
  # build
  cmake ninja-build g++ pkg-config
  # crow mount: the FUSE 3 library to build with, fusermount3 to mount and unmount with
  libfuse3-dev fuse3
  # the wrong-password check: libmagic and its database, the system's extension table
  libmagic-dev libmagic-mgc media-types
  # ... which inflates the members of ZIP files (Office documents) to see their structure
  zlib1g-dev
  # window program: Qt (the program's icon is drawn by Qt SVG), picture formats, metafiles,
  # the Japanese font
  qt6-base-dev qt6-svg-dev qt6-image-formats-plugins libwmf-dev fonts-ipafont-gothic
  # the program's English translation (lupdate, lrelease) and Qt's own Japanese texts
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  # libwmf draws metafile text with these fonts
  fonts-urw-base35 fonts-dejavu-core
  # the desktop's file manager opens released folders through xdg-open
  xdg-utils
  # bitmap icons rendered from the SVG at build time
  librsvg2-bin
)

# The tests, the sanitizer and fuzzing builds, the benchmark and the package checks.
TEST_PACKAGES=(
  googletest libgtest-dev libgmock-dev
  # the font dialog tests need italic styles
  fonts-dejavu-extra
  # real X server for looking at the window and the desktop smoke test
  xvfb xauth x11-utils imagemagick
  # songs, clips and documents written by real encoders for bench/password_pictures
  lame ffmpeg ghostscript qpdf
  # fuzzing and sanitizers; clang-tidy over the core (scripts/clang-tidy.sh)
  clang libclang-rt-14-dev clang-tidy
  # benchmark (bench/run: peak memory)
  time
  # packaging: cpack's dependency reading, validators, Debian's checker, manual page check,
  # X client library of the smoke test, crow's completion as bash loads it
  dpkg-dev file appstream desktop-file-utils lintian groff-base libx11-dev bash-completion
  # the window program read through AT-SPI as a screen reader reads it
  at-spi2-core python3-pyatspi dbus
  # the Crow file type as the desktop sees it: the type database and GIO's gio
  shared-mime-info libglib2.0-bin
)

case "${1:-}" in
  "") ;;
  --tests) PACKAGES+=("${TEST_PACKAGES[@]}") ;;
  *) echo "usage: bash scripts/deps.sh [--tests]" >&2; exit 2 ;;
esac

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
