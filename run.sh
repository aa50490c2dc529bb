#!/usr/bin/env bash
# Sets everything up, builds, and runs the program on the loopback demo farm
# (scripts/demo.sh; no Internet needed). ./run.sh --own runs it on your own
# files and the real master instead. Other arguments go to vykfind.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh run
build=${VYK_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVYK_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target vykfind q3sim
if [ "${1:-}" = "--own" ]; then
  shift
  exec "$build/src/vykfind" "$@"
fi
exec scripts/demo.sh "$build" "$@"
