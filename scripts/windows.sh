#!/usr/bin/env bash
# The Windows half of the platform layer and the logic, proven here: cross-builds
# the Qt-free libraries and their test programs for 64-bit Windows with
# MinGW-w64 (build-win/), then runs every test program under Wine. The loopback
# farm runs natively (`q3sim --control`, built in build-win-host/); the Windows
# tests drive it over 127.0.0.1, finding it through Q3SIM_CONTROL.
# When Qt for Windows is built (scripts/qt-mingw.sh), the window program and
# the window tests are cross-built too, and those run on Qt's offscreen platform.
# Usage: scripts/windows.sh [gtest arguments...]
set -uo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh windows || exit 1

launcher=()
if [[ -z ${CMAKE_CXX_COMPILER_LAUNCHER:-} ]] && command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
jobs=$(nproc)

echo "== building the farm for this machine (build-win-host/)"
cmake -S . -B build-win-host -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVYK_BUILD_UI=OFF \
  -DVYK_BUILD_BENCH=OFF -DVYK_BUILD_TESTS=OFF "${launcher[@]}" >/dev/null &&
  cmake --build build-win-host -j "$jobs" --target q3sim || exit 1

qt=$(scripts/qt-mingw.sh --prefix) || qt=
ui=(-DVYK_BUILD_UI=OFF)
if [[ -n $qt ]]; then
  ui=(-DVYK_BUILD_UI=ON -DCMAKE_PREFIX_PATH="$qt")
  echo "== cross-building for Windows with the window (build-win/, Qt from $qt)"
else
  echo "== cross-building for Windows without the window (build-win/; no Qt for Windows yet)"
fi
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "${ui[@]}" -DVYK_BUILD_BENCH=OFF \
  "${launcher[@]}" >/dev/null &&
  cmake --build build-win -j "$jobs" || exit 1

# What windeployqt would put beside a Qt program, and the fonts that the
# offscreen platform reads from lib/fonts (it draws boxes without them).
deploy() {
  local dir=$1 dll
  mkdir -p "$dir/platforms" "$dir/styles" "$dir/lib/fonts"
  cp -u "$qt"/bin/Qt6{Core,Gui,Widgets}.dll "$dir/"
  cp -u "$qt"/plugins/platforms/{qwindows,qoffscreen}.dll "$dir/platforms/"
  cp -u "$qt"/plugins/styles/qwindowsvistastyle.dll "$dir/styles/"
  for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    cp -u "$(x86_64-w64-mingw32-g++-posix -print-file-name=$dll)" "$dir/"
  done
  cp -u /usr/share/fonts/truetype/dejavu/*.ttf "$dir/lib/fonts/"
}
if [[ -n $qt ]]; then
  deploy build-win/tests
  deploy build-win/src
fi

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
# A prefix of our own, made once; no Mono or Gecko prompts, no debug chatter,
# and a UTF-8 locale (every Debian has C.UTF-8), in which Wine names Linux
# files for any Windows name and takes the Western European ANSI code page.
export WINEPREFIX=$PWD/build-win/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=C.UTF-8 LC_ALL=
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  echo "== making the Wine prefix"
  "$wine" wineboot --init >/dev/null 2>&1
fi

farm_out=$(mktemp)
build-win-host/tools/q3sim/q3sim --control 0 >"$farm_out" &
farm=$!
cleanup() {
  kill "$farm" 2>/dev/null
  wait "$farm" 2>/dev/null
  "${wine%wine64}wineserver" -k 2>/dev/null || wineserver -k 2>/dev/null
  rm -f "$farm_out"
}
trap cleanup EXIT
for _ in $(seq 100); do
  grep -q '^control ' "$farm_out" && break
  sleep 0.1
done
port=$(awk '/^control /{print $2}' "$farm_out")
[[ -n $port ]] || { echo "the farm did not start"; exit 1; }
export Q3SIM_CONTROL=127.0.0.1:$port

status=0 passed=0 skipped=0 programs=0
for exe in build-win/tests/test_*.exe; do
  if ! x86_64-w64-mingw32-objdump -f "$exe" | grep -q 'file format pei-x86-64'; then
    echo "$exe is not a PE32+ program"
    status=1
    continue
  fi
  name=$(basename "$exe")
  log=build-win/tests/${name%.exe}.log
  echo "== $name (Wine)"
  # A Windows program ends its lines with CR LF.
  timeout 900 "$wine" "$exe" --gtest_brief=1 "$@" 2>&1 | tr -d '\r' >"$log"
  rc=${PIPESTATUS[0]}
  grep -E '^\[  (FAILED|SKIPPED) \] [A-Za-z]' "$log" | head -40
  n=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\{0,1\}\..*/\1/p' "$log")
  s=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\{0,1\}[.,].*/\1/p' "$log")
  echo "   exit $rc, ${n:-0} passed, ${s:-0} skipped"
  passed=$((passed + ${n:-0}))
  skipped=$((skipped + ${s:-0}))
  programs=$((programs + 1))
  if ((rc != 0)); then
    tail -30 "$log"
    status=1
  fi
done
echo "windows tests: $passed passed, $skipped skipped, in $programs PE32+ programs under Wine"
least=150
[[ -n $qt ]] && least=360
if ((status == 0 && $# == 0 && passed < least)); then
  echo "too few Windows tests passed (fewer than $least)"
  status=1
fi
if [[ -z $qt ]]; then
  echo "the window (vykfind.exe, test_ui.exe) was not built: no Qt for Windows;" \
    "scripts/qt-mingw.sh builds it once (about half an hour)"
fi
exit $status
