#!/usr/bin/env bash
# Sets everything up, builds, and runs every test:
#   1. the whole suite (build/)
#   2. the whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/),
#      and again under ThreadSanitizer (build-tsan/)                  scripts/sanitize.sh
#   3. each fuzz target for 20 s (build-fuzz/; a crash is saved there)  scripts/fuzz.sh
#   4. the platform layer and the logic cross-built for Windows, their
#      test programs run under Wine (build-win/)                        scripts/windows.sh
#      and, once Qt for Windows is built, the window program and its tests
# Usage: ./test.sh                 all of it (what CI runs)
#        ./test.sh --windows-qt    all of it, building Qt for Windows first when
#                                  missing (once, about half an hour: scripts/qt-mingw.sh)
#        ./test.sh --quick         the plain suite only, without the tests labelled slow
#        ./test.sh -R ProfileFile  the plain suite, with these ctest arguments
set -uo pipefail
cd "$(dirname "$0")"
scripts/deps.sh test || exit 1

# A compiler cache, where the machine has one, makes rebuilds of the four trees cheap.
if [[ -z ${CMAKE_CXX_COMPILER_LAUNCHER:-} ]] && command -v ccache >/dev/null 2>&1; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi

full=1 windows_qt=0
quick=()
if [[ ${1:-} == --windows-qt ]]; then
  windows_qt=1
  shift
fi
if [[ ${1:-} == --quick ]]; then
  full=0
  quick=(-LE slow)  # the tests of many seconds each stay for the full run
  shift
elif (($#)); then
  full=0
fi

declare -a summary
status=0
stage() {  # stage NAME COMMAND...: runs a stage, times it, remembers its outcome
  local name=$1 start=$SECONDS
  shift
  echo
  echo "==== $name"
  if "$@"; then
    summary+=("$(printf '%-24s passed  %4ds' "$name" $((SECONDS - start)))")
  else
    summary+=("$(printf '%-24s FAILED  %4ds' "$name" $((SECONDS - start)))")
    status=1
  fi
}

plain_suite() {
  local build=${VYK_BUILD_DIR:-build}
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
    cmake --build "$build" -j "$(nproc)" &&
    (cd "$build" && ctest -j "$(nproc)" --output-on-failure --timeout 600 "$@")
}

stage "tests" plain_suite "${quick[@]}" "$@"
if ((full)); then
  stage "asan+ubsan tests" scripts/sanitize.sh asan
  stage "tsan tests" scripts/sanitize.sh tsan
  stage "fuzzing" scripts/fuzz.sh "${VYK_FUZZ_SECONDS:-20}"
  ((windows_qt)) && stage "Qt for Windows" scripts/qt-mingw.sh
  if scripts/qt-mingw.sh --prefix >/dev/null; then
    stage "windows tests + window" scripts/windows.sh
  else
    stage "windows tests" scripts/windows.sh
    # Not built unasked: it would double a fresh machine's first run.
    summary+=("windows window tests     SKIPPED: no Qt for Windows on this machine;"
              "                         scripts/qt-mingw.sh (or ./test.sh --windows-qt) builds it once, ~30 min")
  fi
fi

echo
echo "==== summary"
printf '%s\n' "${summary[@]}"
exit $status
