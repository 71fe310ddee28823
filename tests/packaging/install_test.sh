#!/usr/bin/env bash
# Installs an already-built tree into a temporary prefix and builds the C example against
# it as a user would: with pkg-config (shared, then static) and with find_package (both,
# and the C++ example), then runs every program. Usage: install_test.sh <build-dir>
set -euo pipefail
build="$1"
root="$(cd "$(dirname "$0")/../.." && pwd)"
example="$root/tools/gxexample.c"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"

cmake --install "$build" --prefix "$prefix" >/dev/null
libdir="$(dirname "$(find "$prefix" -name libgx.so.0 -print -quit)")"
soname="$(readelf -d "$libdir/libgx.so.0" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')"
[ "$soname" = libgx.so.0 ] || { echo "soname is '$soname'"; exit 1; }
if grep -q '^GX_BUILD_STATIC_LIBRARY:BOOL=ON' "$build/CMakeCache.txt"; then
  [ -f "$libdir/libgx.a" ] || { echo "libgx.a was not installed"; exit 1; }
fi
for header in "$root"/include/*.h*; do
  cmp "$header" "$prefix/include/gx/$(basename "$header")"
done

runs() {
  local output
  output="$("$@")"
  grep -q "libgx example finished" <<<"$output" || { echo "$1 printed: $output"; exit 1; }
}

export PKG_CONFIG_PATH="$libdir/pkgconfig"
cc $(pkg-config --cflags gx) "$example" -o "$work/pc_shared" $(pkg-config --libs gx)
[ "$(readelf -d "$work/pc_shared" | grep -c 'NEEDED.*libgx.so.0')" = 1 ]
LD_LIBRARY_PATH="$libdir" runs "$work/pc_shared"
if [ -f "$libdir/libgx.a" ]; then
  # pkg-config --static lists what the archive needs; -l:libgx.a picks the archive itself.
  cc $(pkg-config --cflags gx) "$example" -o "$work/pc_static" \
     $(pkg-config --static --libs gx | sed 's/ -lgx / -l:libgx.a /')
  ! grep -q libgx <<<"$(readelf -d "$work/pc_static")"
  runs "$work/pc_static"
fi

cmake -S "$root/tests/packaging/consumer" -B "$work/consumer" -G Ninja \
      -DCMAKE_PREFIX_PATH="$prefix" -DGX_EXAMPLE_SOURCE="$example" -DGX_CPP_EXAMPLE_SOURCE="$root/tools/gxcppexample.cpp" >/dev/null
cmake --build "$work/consumer" >/dev/null
runs "$work/consumer/example_shared"
[ ! -f "$libdir/libgx.a" ] || runs "$work/consumer/example_static"
runs "$work/consumer/example_cpp"
echo "installed libgx builds and runs by pkg-config and CMake"
