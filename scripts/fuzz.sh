#!/usr/bin/env bash
# Runs one libFuzzer target: fuzz.sh TARGET SECONDS  (TARGET: decoder_fuzzer, calls_fuzzer)
#   SECONDS > 0: fuzzes that long from the seed corpus (made by the library at run time),
#                the committed regression inputs and what earlier runs kept in
#                build/fuzz/corpus/TARGET; crashes land in build/fuzz/findings/TARGET.
#   SECONDS = 0: replays the regression inputs and the seeds, then a short fixed number of
#                mutations from a fixed seed (what scripts/test.sh does: seconds, not minutes).
# The fuzz build is its own configuration: clang, the whole library instrumented.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
target="${1:?usage: fuzz.sh TARGET SECONDS}"
seconds="${2:?usage: fuzz.sh TARGET SECONDS}"
build=build/fuzz
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}" CCACHE_NOHASHDIR=1

if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    "-DCMAKE_CXX_FLAGS_RELEASE=-O1 -gline-tables-only" "-DCMAKE_C_FLAGS_RELEASE=-O1 -gline-tables-only" \
    -DGX_BUILD_FUZZERS=ON -DGX_BUILD_TESTS=OFF -DGX_BUILD_BENCH=OFF -DGX_BUILD_TOOLS=OFF >/dev/null
fi
cmake --build "$build" --target "$target" gx_fuzz_seeds

seeds="$build/seeds"
mkdir -p "$seeds/decoder_fuzzer" "$seeds/calls_fuzzer" "$build/corpus/$target" "$build/findings/$target"
if [ -z "$(ls -A "$seeds/$target")" ]; then
  "$build/fuzz/gx_fuzz_seeds" "$seeds/decoder_fuzzer" "$seeds/calls_fuzzer"
fi
regressions="fuzz/regressions/$target"

# Allocation failures reach the library as null, which it reports as results.
export ASAN_OPTIONS="allocator_may_return_null=1:detect_leaks=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
# GX_FUZZ_TIMEOUT: seconds one input may take (default 30); raise it for long runs on a
# busy machine, where wall time stretches far past the work done.
limits=(-rss_limit_mb=4096 -malloc_limit_mb=2048 -timeout="${GX_FUZZ_TIMEOUT:-30}"
        -artifact_prefix="$build/findings/$target/")
if [ "$seconds" -eq 0 ]; then
  # Any crash, leak, timeout or memory excess fails the run. Decodes are slower than calls.
  runs=3000
  [ "$target" = decoder_fuzzer ] && runs=200
  "$build/fuzz/$target" "${limits[@]}" -seed=1 -runs="$runs" "$regressions" "$seeds/$target"
else
  "$build/fuzz/$target" "${limits[@]}" -max_total_time="$seconds" -print_final_stats=1 \
    "$build/corpus/$target" "$regressions" "$seeds/$target"
fi
