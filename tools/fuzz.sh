#!/usr/bin/env bash
# Builds the libFuzzer target with clang and runs it from the corpus seeds (the shared
# corpus when present, and the bundled sample) with a fixed seed.
# Usage: tools/fuzz.sh [seconds, default 45] [extra libFuzzer options...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-45}"
shift || true
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DVLX_BUILD_FUZZ=ON -DVLX_WITH_OFFICE=OFF -DVLX_WITH_QT=OFF -DVLX_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzz_census

work="$(mktemp -d /tmp/vlxfuzzrun-XXXXXX)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/new" "$work/seeds"
cp samples/damaged-sample.ppt "$work/seeds/"
corpus="${VLX_CORPUS_DIR:-../shared/corpus}"
for folder in healthy badinput; do
  if [[ -d "$corpus/$folder" ]]; then cp "$corpus/$folder"/*.ppt "$work/seeds/" 2>/dev/null || true; fi
done
# New inputs go to the scratch folder, never into the shared corpus.
build-fuzz/fuzz/fuzz_census -seed=1 -max_total_time="$seconds" -rss_limit_mb=2048 \
  -timeout=30 -print_final_stats=1 "$@" "$work/new" "$work/seeds"
