#!/usr/bin/env bash
# Renders the reference documentation into out/docs/html (or <folder>/html for the folder
# given): Doxygen over the public headers with docs/guide.md as the front page, illustrated
# by the demo gallery, which is drawn first into <folder>/gallery. Fails when Doxygen warns,
# so every export, record, field and code stays documented. GX_DEMO may name an already
# built gxdemo; otherwise the demo is built in build/release.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
out="$(realpath -m "${1:-$root/out/docs}")"
demo="${GX_DEMO:-}"
if [ -z "$demo" ]; then
  bash scripts/deps.sh
  [ -f build/release/build.ninja ] ||
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/release --target gxdemo >/dev/null
  demo="$root/build/release/tools/gxdemo"
fi

rm -rf "$out/html" "$out/gallery"
mkdir -p "$out/gallery"
"$demo" "$out/gallery" >/dev/null
version="$(sed -n 's/^project(libgx VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
log="$out/warnings.log"
GX_ROOT="$root" GX_VERSION="$version" GX_DOCS_OUT="$out" GX_DOCS_IMAGES="$out/gallery" \
  doxygen docs/Doxyfile 2>>"$log"
if [ -s "$log" ]; then
  cat "$log" >&2
  echo "Doxygen warned; the reference must build without warnings" >&2
  exit 1
fi
rm -f "$log"
echo "$out/html/index.html"
