#!/usr/bin/env bash
# Builds the Debian packages libgx0 and libgx-dev into out/packages (or the folder given as
# the first argument). The library is built in build/package, configured for /usr; with
# GX_PACKAGE_BUILD_DIR set, the packages are made from that already-built tree instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
out="$(realpath -m "${1:-$root/out/packages}")"
build="${GX_PACKAGE_BUILD_DIR:-}"
if [ -z "$build" ]; then
  bash scripts/deps.sh
  build="$root/build/package"
  bash scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DGX_BUILD_TESTS=OFF -DGX_BUILD_BENCH=OFF -DGX_BUILD_TOOLS=OFF
fi
mkdir -p "$out"
cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
rm -rf "$out/_CPack_Packages"
ls "$out"/*.deb
