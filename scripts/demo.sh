#!/usr/bin/env bash
# Builds the library, the tools and the benchmarks, then runs the demo, which renders a
# gallery of PNG files into out/demo (or the folder given as the first argument).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/deps.sh
bash scripts/build.sh build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo
out="${1:-$root/out/demo}"
mkdir -p "$out"
build/release/tools/gxdemo "$out"
