#!/usr/bin/env bash
# Installs what building and running need, builds the programs (no tests), and starts the
# window program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh -DWXH_BUILD_TESTS=OFF
if [ -x build/bin/wx-hollin ]; then
  exec build/bin/wx-hollin
fi
echo "Built:"; ls build/bin
