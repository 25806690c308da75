#!/usr/bin/env bash
# Installs what is needed, builds, and repairs the bundled damaged sample presentation
# in both modes. Results land in ./demo-output/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
bash tools/build.sh
mkdir -p demo-output
./build/cli/vlxrecover --mode auto --output demo-output samples/damaged-sample.ppt
