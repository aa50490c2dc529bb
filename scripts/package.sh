#!/usr/bin/env bash
# Makes the three packages into build-pkg/ and checks each:
#   vykfind_<version>_amd64.deb    Debian/Ubuntu; lintian and desktop-file-validate
#   vykfind-<version>-win64.zip    Windows, portable (the files it keeps go beside it)
#   vykfind-<version>-win64.exe    Windows installer (NSIS)
# Under Wine, the unpacked zip's program and the installed one (the installer
# run silently, /S) each print their version and keep their files where they
# should (beside the program; in %APPDATA%\vykfind); the Start menu entry is
# there, and the uninstaller removes the program.
# The Windows two need Qt for Windows: scripts/qt-mingw.sh builds it the first
# time (about half an hour), then it is reused.
# Usage: scripts/package.sh
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build && scripts/deps.sh windows && scripts/deps.sh package || exit 1
scripts/qt-mingw.sh || exit 1
qt=$(scripts/qt-mingw.sh --prefix) || exit 1

launcher=()
if [[ -z ${CMAKE_CXX_COMPILER_LAUNCHER:-} ]] && command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
out=build-pkg
mkdir -p "$out"
status=0
fail() { echo "FAILED: $*"; status=1; }

echo "== the .deb (build-pkg/linux)"
cmake -S . -B $out/linux -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DVYK_BUILD_TESTS=OFF -DVYK_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null &&
  cmake --build $out/linux -j "$(nproc)" >/dev/null &&
  (cd $out/linux && cpack -G DEB -B "$PWD/cpack" >/dev/null) || exit 1
mv $out/linux/cpack/vykfind_*_amd64.deb $out/
deb=$(ls -t $out/vykfind_*_amd64.deb | head -1)
dpkg-deb -f "$deb" Depends
lintian --fail-on error "$deb" || fail "lintian"
desktop=$(mktemp -d)
dpkg-deb -x "$deb" "$desktop"
desktop-file-validate "$desktop"/usr/share/applications/vykfind.desktop || fail "desktop entry"
rm -rf "$desktop"

echo "== the Windows zip and installer (build-pkg/win)"
cmake -S . -B $out/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$qt" -DVYK_BUILD_TESTS=OFF \
  -DVYK_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null &&
  cmake --build $out/win -j "$(nproc)" >/dev/null &&
  (cd $out/win && cpack -G ZIP -B "$PWD/cpack" >/dev/null &&
    cpack -G NSIS -B "$PWD/cpack" >/dev/null) || exit 1
mv $out/win/cpack/vykfind-*-win64.zip $out/win/cpack/vykfind-*-win64.exe $out/

zip=$(ls -t $out/vykfind-*-win64.zip | head -1)
installer=$(ls -t $out/vykfind-*-win64.exe | head -1)
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
export WINEPREFIX=$PWD/$out/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=C.UTF-8 LC_ALL=
# One loopback server (the .deb build's farm) for the programs to ask.
farm_list=$(mktemp)
$out/linux/tools/q3sim/q3sim --servers 1 --base-port 0 --master-port 0 --list "$farm_list" \
  >/dev/null 2>&1 &
farm=$!
trap 'kill $farm 2>/dev/null; rm -f "$farm_list"; "${wine%wine64}wineserver" -k 2>/dev/null' EXIT
for _ in $(seq 50); do [[ -s $farm_list ]] && break; sleep 0.1; done
server=$(head -1 "$farm_list")
[[ -f $WINEPREFIX/system.reg ]] || "$wine" wineboot --init >/dev/null 2>&1

unpacked=$out/win/unzipped
rm -rf "$unpacked"
mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "../../../$zip")
portable=$(ls -d "$unpacked"/*/)
printed=$("$wine" "$portable/vykfind.exe" --version 2>&1 | tr -d '\r')
[[ $printed == "Vyk Finder ver "* ]] || fail "the zip's vykfind.exe --version printed: $printed"

rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/vykfind
"$wine" "$installer" /S >/dev/null 2>&1 || fail "the installer exited $?"
installed=$WINEPREFIX/drive_c/"Program Files"/"Vyk Finder"
printed=$("$wine" "$installed/vykfind.exe" --version 2>&1 | tr -d '\r')
[[ $printed == "Vyk Finder ver "* ]] || fail "the installed vykfind.exe --version printed: $printed"
# Installed, it keeps the user's files in the profile; unpacked, beside itself.
"$wine" "$installed/vykfind.exe" --query "$server" >/dev/null 2>&1
ls "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/vykfind/cache.srv >/dev/null 2>&1 &&
  [[ ! -e $installed/cache.srv ]] || fail "the installed program's files are not in %APPDATA%\\vykfind"
"$wine" "$portable/vykfind.exe" --query "$server" >/dev/null 2>&1
[[ -f $portable/cache.srv ]] || fail "the unpacked program's files are not beside it"
[[ -f $installed/Uninstall.exe ]] || fail "no uninstaller"
find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/Vyk Finder/Vyk Finder.lnk' | grep -q . ||
  fail "no Start menu entry"
"$wine" "$installed/Uninstall.exe" /S >/dev/null 2>&1
for _ in $(seq 30); do [[ -e $installed/vykfind.exe ]] && sleep 1; done
[[ ! -e $installed/vykfind.exe ]] || fail "the uninstaller left the program"

echo
ls -l "$deb" "$zip" "$installer" | awk '{printf "%8.1f MB  %s\n", $5 / 1e6, $NF}'
((status == 0)) && echo "packages made and checked" || echo "packages made, checks FAILED"
exit $status
