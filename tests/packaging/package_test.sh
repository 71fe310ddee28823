#!/usr/bin/env bash
# Makes the Debian packages from an already-built tree, checks their names, dependencies
# and contents, then unpacks both into a scratch root and builds and runs the C example
# against what they hold. Usage: package_test.sh <build-dir>
set -euo pipefail
build="$1"
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

GX_PACKAGE_BUILD_DIR="$build" bash "$root/scripts/package.sh" "$work/debs" >/dev/null 2>&1
runtime=("$work"/debs/libgx0_*.deb)
dev=("$work"/debs/libgx-dev_*.deb)
fail() { echo "$*"; exit 1; }
[ -f "${runtime[0]}" ] && [ -f "${dev[0]}" ] || fail "packages missing: $(ls "$work/debs")"

field() { dpkg-deb -f "$1" "$2"; }
version="$(field "$runtime" Version)"
[ "$(field "$runtime" Package)" = libgx0 ] || fail "runtime package name"
[ "$(field "$dev" Package)" = libgx-dev ] || fail "development package name"
for needed in libc6 libstdc++6 libfreetype6 libfontconfig1 libpng16-16 libtiff6; do
  grep -q "\b$needed\b" <<<"$(field "$runtime" Depends)" || fail "libgx0 does not depend on $needed"
done
grep -q "libgx0 (= $version)" <<<"$(field "$dev" Depends)" || fail "libgx-dev does not pin libgx0"
grep -q shlibs <<<"$(dpkg-deb -I "$runtime")" || fail "libgx0 has no shlibs file"
grep -q "^libgx 0 libgx0" <<<"$(dpkg-deb --ctrl-tarfile "$runtime" | tar -xO ./shlibs)" ||
  fail "shlibs does not map libgx.so.0 to libgx0"

# Contents: the runtime package is the soname library alone; the rest belongs to -dev.
contents() { dpkg-deb -c "$1" | awk '{print $6}' | grep -v '/$' | sed 's|^\./||'; }
grep -Eqx 'usr/lib/([^/]+/)?libgx\.so\.0\.[0-9]+\.[0-9]+' <<<"$(contents "$runtime")" || fail "no libgx.so.0.x.y"
[ "$(contents "$runtime" | grep -vc 'libgx\.so\.0')" = 0 ] || fail "libgx0 holds more than the library"
for file in usr/include/gx/gx.h usr/include/gx/gx.hpp 'usr/lib/([^/]+/)?libgx\.so' \
            'usr/lib/([^/]+/)?pkgconfig/gx\.pc' 'usr/lib/([^/]+/)?cmake/gx/gxConfig\.cmake'; do
  grep -Eqx "$file" <<<"$(contents "$dev")" || fail "libgx-dev lacks $file"
done
! grep -q 'libgx\.so\.0' <<<"$(contents "$dev")" || fail "libgx-dev holds the runtime library"

# The packaged files work where they land: pkg-config finds the prefix from gx.pc itself.
for deb in "$runtime" "$dev"; do dpkg-deb -x "$deb" "$work/root"; done
pc="$(find "$work/root" -name gx.pc)"
cc $(PKG_CONFIG_PATH="$(dirname "$pc")" pkg-config --cflags gx) "$root/tools/gxexample.c" \
   -o "$work/example" $(PKG_CONFIG_PATH="$(dirname "$pc")" pkg-config --libs gx)
grep -q "libgx example finished" <<<"$(LD_LIBRARY_PATH="$(dirname "$(dirname "$pc")")" "$work/example")"
echo "libgx0 and libgx-dev $version hold what they should"
