#!/usr/bin/env bash
# Builds and runs the whole test suite: the release build, then the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, then short runs of the fuzzers.
# Allocation failures must reach the library as null (it reports them as results), so the
# sanitizer allocator returns null.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/deps.sh

# The window tests need an X server: a private Xvfb on a display number it picks itself
# (-displayfd), stopped when this script ends. Without Xvfb those tests skip.
if command -v Xvfb >/dev/null; then
  displayfile="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 1920x1200x24 -nolisten tcp 3>"$displayfile" 2>/dev/null &
  xvfb_pid=$!
  trap 'kill "$xvfb_pid" 2>/dev/null; rm -f "$displayfile"' EXIT
  for _ in $(seq 100); do [ -s "$displayfile" ] && break; sleep 0.1; done
  if [ -s "$displayfile" ]; then export DISPLAY=":$(cat "$displayfile")"; fi
fi

jobs="$(nproc)"
bash scripts/build.sh build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir build/release -j "$jobs" --output-on-failure
# The scalar twins of the vector loops as the library runs them: the programs that draw and
# convert pixels once more with the vector forms switched off at run time.
for suite in software bitmap api; do
  GX_SIMD=scalar "build/release/tests/gx_${suite}_tests" --gtest_brief=1
done

bash scripts/build.sh build/asan -DCMAKE_BUILD_TYPE=Debug -DGX_SANITIZE=ON \
  -DGX_BUILD_BENCH=OFF -DGX_BUILD_TOOLS=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/asan -j "$jobs" --output-on-failure

# The fuzzers, in their own clang build: each replays its regression inputs and seeds and
# runs a short fixed number of mutations. Long runs are scripts/fuzz.sh TARGET SECONDS.
bash scripts/fuzz.sh calls_fuzzer 0
bash scripts/fuzz.sh decoder_fuzzer 0
