#!/usr/bin/env bash
# Builds the library, the tools and the benchmarks, then runs the demo program.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/deps.sh
bash scripts/build.sh build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo
build/release/tools/gxexample
