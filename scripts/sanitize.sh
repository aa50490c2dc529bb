#!/usr/bin/env bash
# Builds and runs the tests under the sanitizers:
#   address,undefined  the whole suite (build-asan/)
#   thread             the whole suite too (build-tsan/): the threaded refresh, query,
#                      cache, semaphore and farm code, and the windows that paint while
#                      a refresh's workers run
# Usage: scripts/sanitize.sh [asan|tsan|all]   (default all)
# Any sanitizer report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
which=${1:-all}
jobs=$(nproc)
# Line tables are all a report needs (-g1); the tests' own code is built at -O0, which
# halves its instrumented compile, while the program's code and the farm keep -O1.
common=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1"
        -DVYK_TEST_FLAGS=-O0 -DVYK_BUILD_BENCH=OFF)
if command -v ccache >/dev/null; then common+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
status=0

if [[ $which == asan || $which == all ]]; then
  echo "== AddressSanitizer + UndefinedBehaviorSanitizer: whole suite"
  cmake -S . -B build-asan "${common[@]}" -DVYK_SANITIZE=address,undefined >/dev/null
  cmake --build build-asan -j "$jobs"
  # Qt and fontconfig keep caches alive until exit; leaks are not what this run looks for.
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  (cd build-asan && ctest -j "$jobs" --output-on-failure --timeout 900) || status=1
  unset ASAN_OPTIONS UBSAN_OPTIONS
fi

if [[ $which == tsan || $which == all ]]; then
  echo "== ThreadSanitizer: whole suite"
  cmake -S . -B build-tsan "${common[@]}" -DVYK_SANITIZE=thread -DVYK_BUILD_UI=ON >/dev/null
  cmake --build build-tsan -j "$jobs"
  # Qt and the libraries under it are not instrumented: the suppressions name only those.
  export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp
  (cd build-tsan && ctest -j "$jobs" --output-on-failure --timeout 900) || status=1
  unset TSAN_OPTIONS
fi
exit $status
