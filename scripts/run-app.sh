#!/usr/bin/env bash
# Installs what is missing, builds, and starts the window program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
if [ -x build/bin/wx-hollin ]; then
  exec build/bin/wx-hollin
fi
echo "Built:"; ls build/bin
