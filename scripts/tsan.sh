#!/usr/bin/env bash
# Builds the library and the API tests under ThreadSanitizer (build/tsan) and runs the
# multi-threaded test: four threads painting their own targets with shared brushes,
# geometries, bitmaps, a font face and the bitmap cache.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGX_THREAD_SANITIZE=ON \
  -DGX_BUILD_BENCH=OFF -DGX_BUILD_TOOLS=OFF >/dev/null
cmake --build build/tsan --target gx_api_tests
TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1${TSAN_OPTIONS:+:$TSAN_OPTIONS}" \
  build/tsan/tests/gx_api_tests --gtest_filter='Threads.*'
