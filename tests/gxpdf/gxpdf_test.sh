#!/usr/bin/env bash
# Renders the corpus through gxpdf with --compare: every page must be drawn without a libgx
# call failing, written as PNG, and come within a PSNR floor of Poppler's own rasterizer.
# The floors sit a few dB under what the pages measure: Splash places glyphs on a quarter-pixel
# grid (whole pixels vertically) and filters images its own way, so text and image pages
# cannot meet vector pages' agreement, but a wrong transform, colour or missing object costs
# far more than the margin.
# Usage: gxpdf_test.sh TOOLS_DIR CORPUS_SOURCE_DIR OUT_DIR
set -euo pipefail
tools="$1"; corpus="$2"; out="$3"
rm -rf "$out"; mkdir -p "$out"

"$tools/gxpdf_cairocorpus" "$out/cairo.pdf"
"$tools/gxpdf_printcorpus" "$out/print.pdf"
"$tools/gxpdf_handwritten" "$out/handwritten.pdf"
# /prepress embeds the standard fonts as Type 1 (CFF) subsets instead of naming them.
ps2pdf -dPDFSETTINGS=/prepress "$corpus/fonts.ps" "$out/fonts.pdf"
ps2pdf "$corpus/shadings.ps" "$out/shadings.pdf"

failed=0
# check DOC "PAGE:FLOOR ..." renders the listed pages at 50 dpi and holds each to its floor.
check() {
  local doc="$1" floors="$2" first=99999 last=0 report
  for entry in $floors; do
    local page="${entry%%:*}"
    (( page < first )) && first=$page
    (( page > last )) && last=$page
  done
  if ! report="$("$tools/gxpdf" -r 50 -f "$first" -l "$last" --compare "$out/$doc.pdf" \
                   "$out/$doc" 2>"$out/$doc.err")"; then
    echo "FAIL: gxpdf failed on $doc.pdf:"; cat "$out/$doc.err"; failed=1; return
  fi
  # The tool's own complaints (failed libgx calls, features it cannot forward) start with
  # its name; a sanitizer build adds its summary of suppressed leaks.
  if grep -q '^gxpdf:' "$out/$doc.err"; then
    echo "FAIL: gxpdf reported problems on $doc.pdf:"; cat "$out/$doc.err"; failed=1
  fi
  echo "$doc.pdf"; echo "$report"
  for entry in $floors; do
    local page="${entry%%:*}" floor="${entry##*:}" psnr
    psnr="$(echo "$report" | awk -v p="$page" '$1 == p { print $5 }')"
    if [ -z "$psnr" ] || [ ! -s "$out/$doc-$page.png" ]; then
      echo "FAIL: $doc.pdf page $page was not rendered"; failed=1
    elif awk -v a="$psnr" -v b="$floor" 'BEGIN { exit !(a < b) }'; then
      echo "FAIL: $doc.pdf page $page: PSNR $psnr dB is under $floor dB"; failed=1
    fi
  done
}

check cairo "1:28 2:16 3:13 4:20 5:23"
check fonts "1:19"
check handwritten "1:26 2:27"
check shadings "1:22"
check print "1:36"
check print "7:30"
exit $failed
