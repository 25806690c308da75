#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the whole suite, then the
# engine's tests again under AddressSanitizer and UndefinedBehaviorSanitizer, then a
# short fixed-seed pass of the fuzz targets on the corpus seeds.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
bash tools/build.sh
(cd build && ctest --output-on-failure -j2)

# The sanitizer pass covers everything that runs headless: the engine, the scripted
# office, the Qt imaging layer and the window tests on the offscreen platform.
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVLX_SANITIZE=ON \
  -DVLX_WITH_OFFICE=OFF -DVLX_WITH_QT=ON -DVLX_BUILD_BENCH=OFF >/dev/null
cmake --build build-sanitize -j"$(nproc)"
(cd build-sanitize && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
  LSAN_OPTIONS=suppressions="$PWD/../tools/lsan.supp" UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j2)

# Every file keeps the project's format.
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

bash tools/fuzz.sh 60
