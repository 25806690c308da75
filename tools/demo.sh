#!/usr/bin/env bash
# Installs what is needed, builds, and repairs the bundled damaged sample presentation.
# Results land in ./demo-output/. With --window, the desktop program opens instead, the
# sample already in its path field (needs a display).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
bash tools/build.sh
if [ "${1:-}" = "--window" ]; then
  exec ./build/app/vlxrecovery-gui samples/damaged-sample.ppt
fi
mkdir -p demo-output
./build/cli/vlxrecover --mode auto --output demo-output samples/damaged-sample.ppt
