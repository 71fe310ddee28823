#!/usr/bin/env bash
# Renders gxpdf's corpus with libgx and with Poppler's Splash and prints, per page, how close
# they come (PSNR, share of pixels off by more than 64) and the time of each. Each document is
# rendered RUNS times (default 3), the two renderers interleaved page by page in one process;
# the fastest run of each counts. Usage: gxpdfbench.sh [DPI] [OUT_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
dpi="${1:-150}"
out="${2:-$root/out/gxpdfbench}"
runs="${RUNS:-3}"
tools="$root/build/release/tools/gxpdf"
if [ ! -x "$tools/gxpdf" ]; then
  bash scripts/build.sh build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
mkdir -p "$out"
"$tools/gxpdf_cairocorpus" "$out/cairo.pdf"
"$tools/gxpdf_printcorpus" "$out/print.pdf"
"$tools/gxpdf_handwritten" "$out/handwritten.pdf"
ps2pdf -dPDFSETTINGS=/prepress tools/gxpdf/corpus/fonts.ps "$out/fonts.pdf"
ps2pdf tools/gxpdf/corpus/shadings.ps "$out/shadings.pdf"

printf '%-14s %4s %9s %10s %10s %7s\n' document page "PSNR dB" "off>64 %" "libgx ms" "x Splash"
for doc in cairo fonts handwritten shadings print; do
  for run in $(seq "$runs"); do
    "$tools/gxpdf" -r "$dpi" --compare "$out/$doc.pdf" "$out/$doc" 2>/dev/null | tail -n +2
  done | awk -v doc="$doc" '
    { page = $1; if (!(page in ours) || $2 < ours[page]) ours[page] = $2
      if (!(page in theirs) || $3 < theirs[page]) theirs[page] = $3
      psnr[page] = $5; off[page] = $6; if (page > last) last = page }
    END { for (p = 1; p <= last; ++p)
            printf "%-14s %4d %9.2f %10.3f %10.2f %7.2f\n", doc ".pdf", p, psnr[p], off[p],
                   ours[p], ours[p] / theirs[p] }'
done
