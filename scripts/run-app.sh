#!/usr/bin/env bash
# Installs what building and running need, builds the programs (no tests), and starts the
# window program. The window needs a graphical session (X11 or Wayland) or a virtual X
# server such as Xvfb; without one the script stops at once, before installing or building.
set -euo pipefail
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run-app.sh: no display (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
  echo "Run it inside a graphical session, or under a virtual X server: xvfb-run -a bash scripts/run-app.sh" >&2
  echo "To build only: bash scripts/deps.sh && bash scripts/build.sh -DWXH_BUILD_TESTS=OFF" >&2
  exit 1
fi
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh -DWXH_BUILD_TESTS=OFF
if [ -x build/bin/wx-hollin ]; then
  exec build/bin/wx-hollin
fi
echo "Built:"; ls build/bin
