#!/usr/bin/env bash
# Qt 6 for 64-bit Windows, built once per machine: Debian's own source package
# of qtbase (the version of the host's moc, rcc and uic), cross-built with
# Debian's MinGW-w64 (posix threads) into a cache outside the clone. Only what
# the program needs: Core, Gui, Widgets, the windows and offscreen platforms
# and the modern Windows style. The cache's name carries a hash of this script,
# so a changed recipe builds a new one.
# About half an hour: 28 CPU-minutes, 1015 build steps.
# Usage: scripts/qt-mingw.sh           build the cache unless it is there
#        scripts/qt-mingw.sh --prefix  print its folder; exit 1 when not built
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

# The recipe: its hash names the cache.
toolchain='set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)'
# Turned off: what the program does not use, and
#  - tabletevent: the windows plugin needs wintab for it, which Debian's
#    source tarball leaves out (with iaccessible2 and sqlite);
#  - direct2d1_1: the separate Direct2D plugin only. direct2d itself stays on,
#    as it also gates the DirectWrite font database that qwindows.dll links.
options=(-release -shared -opensource -confirm-license
  -qt-host-path /usr -nomake examples -nomake tests -nomake benchmarks
  -no-opengl -no-icu -no-dbus -no-feature-sql -no-feature-network -no-feature-testlib
  -no-feature-concurrent -no-feature-xml -no-feature-printsupport
  -no-feature-tabletevent -no-feature-direct2d1_1 -no-feature-vulkan
  -qt-zlib -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -qt-pcre -qt-doubleconversion)
# Debian's upstream security fixes (its other patches are for Linux packaging).
patches='^cve'

version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev 2>/dev/null || true)
recipe=$(printf '%s\n' "$toolchain" "${options[@]}" "$patches" | sha256sum | cut -c1-12)
cache=${VYK_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vykfind}
prefix=$cache/qt-${version%%+*}-mingw-$recipe

if [[ ${1:-} == --prefix ]]; then
  [[ -n $version && -f $prefix/lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake ]] || exit 1
  echo "$prefix"
  exit 0
fi

"$here/deps.sh" qt-mingw
version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev)
prefix=$cache/qt-${version%%+*}-mingw-$recipe
if [[ -f $prefix/lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake ]]; then
  echo "Qt for Windows is built: $prefix"
  exit 0
fi

# apt-get source needs deb-src lines: the same mirrors as the deb ones.
if ! grep -rqs '^[^#]*deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  echo "== enabling Debian's source packages"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  for f in /etc/apt/sources.list.d/*.sources; do
    if [[ -f $f ]]; then sed 's/^Types:.*\bdeb\b.*$/Types: deb-src/' "$f"; fi
  done | $SUDO tee /etc/apt/sources.list.d/vykfind-deb-src.sources >/dev/null
  if [[ -f /etc/apt/sources.list ]]; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list |
      $SUDO tee /etc/apt/sources.list.d/vykfind-deb-src.list >/dev/null
  fi
  $SUDO apt-get update -qq
fi

work=$cache/qt-build-$recipe
rm -rf "$work"
mkdir -p "$work"
cd "$work"
echo "== fetching Debian's qt6-base $version source package"
apt-get source --download-only -qq "qt6-base=$version"
# apt checked the files against the signed archive; dpkg-source only lacks the keyring.
dpkg-source --skip-patches -x qt6-base_*.dsc src 2>&1 | grep -vE 'gpgv|signature|^dpkg-source: info' || true
[[ -f src/configure ]] || { echo "could not unpack qt6-base $version"; exit 1; }
cd src
# The same fixes as the host tools' source.
grep -i "$patches" debian/patches/series | while read -r p _; do
  echo "   patch $p"
  patch -p1 -s <"debian/patches/$p"
done

printf '%s\n' "$toolchain" >"$work/toolchain.cmake"
echo "== configuring ($work/build)"
mkdir -p "$work/build"
cd "$work/build"
../src/configure -prefix "$prefix.part" "${options[@]}" -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >"$work/configure.log" 2>&1 || {
  tail -40 "$work/configure.log"
  exit 1
}
grep -E '^ +(Direct 2D|DirectWrite|Styles) ' "$work/configure.log" || true

echo "== building (about 1000 steps, half an hour on two cores)"
TIMEFORMAT='%0R s wall, %0U s user, %0S s sys'
{ time cmake --build . --parallel "$(nproc)" >"$work/build.log" 2>&1; } 2>"$work/time.txt" || {
  grep -E 'error|FAILED' "$work/build.log" | head -20
  exit 1
}
rm -rf "$prefix.part"
cmake --install . >/dev/null
echo "qt6-base $version, recipe $recipe, built in $(cat "$work/time.txt")" |
  tee "$prefix.part/vykfind-qt.txt"
mv "$prefix.part" "$prefix"
cd /
rm -rf "$work"
echo "Qt for Windows is built: $prefix ($(du -sh "$prefix" | cut -f1))"
