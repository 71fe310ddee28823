#!/usr/bin/env bash
# Builds the library and the test programs that run threads under ThreadSanitizer
# (build/tsan) and runs every test that uses more than one thread: four threads painting
# their own targets with shared brushes, gradients, geometries, bitmaps, a font face and the bitmap
# cache; concurrent bitmap-cache and cache-holder use; font faces made and queried on
# several threads; draw records freed on another thread. The other tests run on one thread
# (the library starts none of its own), so ThreadSanitizer has nothing to check in them.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/deps.sh
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}" CCACHE_NOHASHDIR=1
programs=(gx_api_tests gx_bitmap_tests gx_paint_tests gx_software_tests)
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGX_THREAD_SANITIZE=ON \
  -DGX_BUILD_BENCH=OFF -DGX_BUILD_TOOLS=OFF >/dev/null
cmake --build build/tsan --target "${programs[@]}"
# Any report fails the run. The system libraries (fontconfig, FreeType, the codecs) are not
# instrumented, so only what the library does around them is checked.
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1${TSAN_OPTIONS:+:$TSAN_OPTIONS}"
for program in "${programs[@]}"; do
  "build/tsan/tests/$program" --gtest_filter='*Thread*:*Concurrent*'
done
