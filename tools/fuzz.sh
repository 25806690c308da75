#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each from the corpus seeds (the
# shared corpus when present, and the bundled sample) with a fixed seed, the given
# time split evenly between them.
# Usage: tools/fuzz.sh [seconds in total, default 45] [extra libFuzzer options...]
# VLX_FUZZ_TARGETS picks the targets (default: "fuzz_census fuzz_salvage fuzz_own_records fuzz_picture_mending").
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-45}"
shift || true
read -r -a targets <<<"${VLX_FUZZ_TARGETS:-fuzz_census fuzz_salvage fuzz_own_records fuzz_picture_mending}"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DVLX_BUILD_FUZZ=ON -DVLX_WITH_OFFICE=OFF -DVLX_WITH_QT=OFF -DVLX_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]}"

work="$(mktemp -d /tmp/vlxfuzzrun-XXXXXX)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/seeds"
cp samples/damaged-sample.ppt "$work/seeds/"
corpus="${VLX_CORPUS_DIR:-../shared/corpus}"
for folder in healthy badinput; do
  if [[ -d "$corpus/$folder" ]]; then cp "$corpus/$folder"/*.ppt "$work/seeds/" 2>/dev/null || true; fi
done
share=$((seconds / ${#targets[@]}))
((share > 0)) || share=1
for target in "${targets[@]}"; do
  # New inputs go to a scratch folder per target, never into the shared corpus.
  mkdir -p "$work/new-$target"
  echo "== $target: $share s"
  "build-fuzz/fuzz/$target" -seed=1 -max_total_time="$share" -rss_limit_mb=2048 \
    -timeout=30 -print_final_stats=1 "$@" "$work/new-$target" "$work/seeds"
done
