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
# One PDF page drawn through libgx by gxpdf, Poppler reading the file: Cairo's PDF of text.
build/release/tools/gxpdf/gxpdf_cairocorpus "$out/corpus.pdf"
build/release/tools/gxpdf/gxpdf -r 96 -f 2 -l 2 "$out/corpus.pdf" "$out/pdf-page"
